#include "platform/linux/QtPasteboard.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringDecoder>
#include <algorithm>

namespace tarnlet::linux_desktop {

namespace {

const QString kTextFormat = QStringLiteral("text/plain");

bool isTextFormat(const QString& format) {
    return format == kTextFormat || format.startsWith(kTextFormat + QLatin1Char(';'));
}

// X names its protocol targets (TARGETS, MULTIPLE, TIMESTAMP, SAVE_TARGETS) and its text encodings
// (UTF8_STRING, COMPOUND_TEXT) in capitals; no MIME type or marker type looks like that.
bool isProtocolTarget(const QString& format) {
    return !format.isEmpty() && std::all_of(format.begin(), format.end(), [](QChar c) {
        return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
               c == QLatin1Char('_');
    });
}

QByteArray toBytes(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

QtPasteboard::QtPasteboard() {
    m_clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
    if (m_clipboard) m_changes = QObject::connect(m_clipboard, &QClipboard::dataChanged, [this] { changed(); });
}

QtPasteboard::~QtPasteboard() { QObject::disconnect(m_changes); }

void QtPasteboard::changed() {
    ++m_changeCount;
    m_types.reset();
    m_unresponsive = false;
}

const QMimeData* QtPasteboard::contents() const {
    if (!m_clipboard || m_unresponsive) return nullptr;
    return m_clipboard->mimeData(QClipboard::Clipboard);
}

template <class Read>
auto QtPasteboard::timed(Read read) const {
    const int change = m_changeCount;
    QElapsedTimer timer;
    timer.start();
    auto result = read();
    // While Qt waits it still handles selection events, so the contents may have changed meanwhile;
    // the new ones have not been asked anything yet.
    if (timer.elapsed() >= kUnresponsiveSeconds * 1000 && m_changeCount == change && !ownContents()) {
        m_unresponsive = true;
        m_types = std::vector<std::string>();
    }
    return result;
}

bool QtPasteboard::hasSecretHint(const QMimeData& mime) const {
    const QString hint = QLatin1String(kPasswordManagerHint);
    if (!timed([&] { return mime.hasFormat(hint); })) return false;
    return timed([&] { return mime.data(hint); }).trimmed() == kSecret;
}

std::vector<std::string> QtPasteboard::types() const {
    if (m_types) return *m_types;
    const int change = m_changeCount;
    const QMimeData* mime = contents();
    if (!mime) return {};
    const QStringList formats = timed([&] { return mime->formats(); });
    std::vector<std::string> out;
    const auto add = [&](std::string type) {
        if (std::find(out.begin(), out.end(), type) == out.end()) out.push_back(std::move(type));
    };
    for (const QString& format : formats) {
        if (m_unresponsive) return {};
        if (isTextFormat(format)) add(PasteboardType::plainText);
        else if (format == QLatin1String(kPasswordManagerHint))
            add(hasSecretHint(*mime) ? PasteboardType::concealed : kPasswordManagerHint);
        else if (!isProtocolTarget(format)) add(format.toStdString());
    }
    if (m_unresponsive) return {};
    if (m_changeCount == change) m_types = out;
    return out;
}

std::optional<QByteArray> QtPasteboard::bytes(const std::string& type) const {
    const QMimeData* mime = contents();
    if (!mime) return std::nullopt;
    std::optional<QByteArray> value;
    if (type == PasteboardType::plainText) {
        if (timed([&] { return mime->hasText(); })) value = timed([&] { return mime->text().toUtf8(); });
    } else {
        const QString format = QString::fromStdString(type);
        if (timed([&] { return mime->hasFormat(format); })) value = timed([&] { return mime->data(format); });
        else if (type == PasteboardType::concealed && hasSecretHint(*mime)) value = QByteArray(kSecret);
    }
    if (m_unresponsive) return std::nullopt;
    return value;
}

std::optional<std::string> QtPasteboard::string(const std::string& type) const {
    const std::optional<QByteArray> value = bytes(type);
    if (!value) return std::nullopt;
    // Bytes that are no UTF-8 are no text.
    QStringDecoder decoder(QStringDecoder::Utf8);
    (void)decoder.decode(*value);
    if (decoder.hasError()) return std::nullopt;
    return value->toStdString();
}

std::optional<std::vector<std::uint8_t>> QtPasteboard::data(const std::string& type) const {
    const std::optional<QByteArray> value = bytes(type);
    if (!value) return std::nullopt;
    return std::vector<std::uint8_t>(value->begin(), value->end());
}

QMimeData* QtPasteboard::ownContents() const {
    if (!m_clipboard || !m_written || !m_clipboard->ownsClipboard()) return nullptr;
    return m_clipboard->mimeData(QClipboard::Clipboard) == m_written ? m_written.data() : nullptr;
}

void QtPasteboard::clearContents() {
    if (!m_clipboard) return;
    auto* mime = new QMimeData;
    m_written = mime;
    // The clipboard takes the data over and reports the change, which counts it.
    m_clipboard->setMimeData(mime, QClipboard::Clipboard);
}

bool QtPasteboard::put(const std::string& type, const QByteArray& value) {
    if (!ownContents()) clearContents();
    QMimeData* mime = ownContents();
    if (!mime) return false;
    if (type == PasteboardType::plainText) {
        mime->setText(QString::fromUtf8(value));
    } else {
        mime->setData(QString::fromStdString(type), value);
        if (type == PasteboardType::concealed) mime->setData(QLatin1String(kPasswordManagerHint), kSecret);
    }
    m_types.reset();
    return true;
}

bool QtPasteboard::setString(const std::string& text, const std::string& type) {
    return put(type, QByteArray::fromStdString(text));
}

bool QtPasteboard::setData(const std::vector<std::uint8_t>& bytes, const std::string& type) {
    return put(type, toBytes(bytes));
}

}  // namespace tarnlet::linux_desktop
