#include "platform/linux/QtAlerts.h"

#include <QComboBox>
#include <algorithm>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tarnlet::linux_desktop {

namespace {

// QDialog's own Rejected (0) stands for "no button"; button i answers i + 1.
constexpr int kFirstButtonResult = 1;

}  // namespace

NumberPromptAnswer QtAlerts::runNumberPrompt(const NumberPrompt& prompt) {
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Tarnlet"));
    dialog.setModal(true);

    auto* layout = new QVBoxLayout(&dialog);
    auto* message = new QLabel(QString::fromStdString(prompt.message));
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    message->setWordWrap(true);
    message->setTextFormat(Qt::PlainText);
    layout->addWidget(message);
    if (!prompt.informativeText.empty()) {
        auto* informative = new QLabel(QString::fromStdString(prompt.informativeText));
        informative->setWordWrap(true);
        informative->setTextFormat(Qt::PlainText);
        layout->addWidget(informative);
    }

    auto* fieldRow = new QHBoxLayout();
    auto* number = new QLineEdit();
    number->setPlaceholderText(QString::fromStdString(prompt.placeholder));
    fieldRow->addWidget(number, 1);
    auto* units = new QComboBox();
    for (const std::string& unit : prompt.units) units->addItem(QString::fromStdString(unit));
    units->setVisible(!prompt.units.empty());
    fieldRow->addWidget(units);
    layout->addLayout(fieldRow);

    // The default button sits at the trailing end, as on the desktop the prompt was designed for.
    auto* buttonRow = new QHBoxLayout();
    buttonRow->addStretch(1);
    for (int i = static_cast<int>(prompt.buttons.size()) - 1; i >= 0; --i) {
        auto* button = new QPushButton(QString::fromStdString(prompt.buttons[static_cast<std::size_t>(i)]));
        button->setAutoDefault(false);
        if (i == 0) button->setDefault(true);
        QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, i] { dialog.done(kFirstButtonResult + i); });
        buttonRow->addWidget(button);
    }
    layout->addLayout(buttonRow);

    number->setFocus();
    // A background utility is not the active application: the prompt asks for the focus itself.
    QTimer::singleShot(0, &dialog, [&dialog, number] {
        dialog.raise();
        dialog.activateWindow();
        number->setFocus();
    });
    const int result = dialog.exec();

    NumberPromptAnswer answer;
    const int button = result - kFirstButtonResult;
    answer.button = button >= 0 && button < static_cast<int>(prompt.buttons.size()) ? button : -1;
    answer.text = number->text().toStdString();
    answer.unitIndex = std::max(0, units->currentIndex());
    return answer;
}

}  // namespace tarnlet::linux_desktop
