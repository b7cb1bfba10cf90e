// A clipboard owner for the tests, as a Qt application (a password manager among them) is one: it
// takes the CLIPBOARD selection with the text and the targets named on its command line, says
// "ready" on its output, reports every target another client asks it for ("served TARGET"), and
// quits when another client takes the selection.
//
//     clipboard_owner TEXT [TARGET=VALUE…]

#include <QGuiApplication>
#include <QClipboard>
#include <QMimeData>
#include <cstdio>

namespace {

class ReportingMimeData : public QMimeData {
protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override {
        std::printf("served %s\n", format.toUtf8().constData());
        std::fflush(stdout);
        return QMimeData::retrieveData(format, type);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: clipboard_owner TEXT [TARGET=VALUE…]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    auto* data = new ReportingMimeData;
    data->setText(QString::fromUtf8(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const QByteArray pair(argv[i]);
        const qsizetype equals = pair.indexOf('=');
        if (equals <= 0) {
            std::fprintf(stderr, "clipboard_owner: %s is no TARGET=VALUE\n", argv[i]);
            return 2;
        }
        data->setData(QString::fromUtf8(pair.left(equals)), pair.mid(equals + 1));
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data, QClipboard::Clipboard);
    if (!clipboard->ownsClipboard()) {
        std::fprintf(stderr, "clipboard_owner: the selection was refused\n");
        return 1;
    }
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [clipboard] {
        if (!clipboard->ownsClipboard()) QCoreApplication::quit();
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
