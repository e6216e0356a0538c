#include "gui/update/UpdateReminderDialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/app/Dialogs.h"

namespace trevasc {

UpdateReminderDialog::UpdateReminderDialog(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setObjectName("UpdateReminderDialog");
    setWindowTitle("Update Reminder");
    // A fixed dialog border: the size follows the content, the user cannot drag it.
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    message_ = new QLabel(this);
    message_->setObjectName("Label1");
    message_->setWordWrap(true);
    message_->setFixedWidth(400);
    layout->addWidget(message_);

    link_ = new QLabel(this);
    link_->setObjectName("LinkLabel");
    link_->setTextFormat(Qt::RichText);
    link_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link_->setOpenExternalLinks(false);
    link_->setCursor(Qt::PointingHandCursor);
    connect(link_, &QLabel::linkActivated, this, [this] { OpenDownloadPage(); });
    layout->addWidget(link_);

    auto* changesLabel = new QLabel("Changes to prior versions", this);
    changesLabel->setObjectName("Label2");
    layout->addSpacing(8);
    layout->addWidget(changesLabel);

    changes_ = new QPlainTextEdit(this);
    changes_->setObjectName("Memo1");
    changes_->setReadOnly(true);
    changes_->setFixedSize(400, 180);
    changesLabel->setBuddy(changes_);
    layout->addWidget(changes_);

    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OKButton");
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok_, 0, Qt::AlignHCenter);
}

void UpdateReminderDialog::SetContent(const QString& message, const QString& downloadUrl,
                                      const QString& changes) {
    message_->setText(message);
    downloadUrl_ = downloadUrl;
    link_->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(downloadUrl.toHtmlEscaped()));
    link_->setToolTip(downloadUrl);
    changes_->setPlainText(changes);
}

QString UpdateReminderDialog::Message() const {
    return message_->text();
}

QString UpdateReminderDialog::Changes() const {
    return changes_->toPlainText();
}

void UpdateReminderDialog::OpenDownloadPage() {
    if (!downloadUrl_.isEmpty()) dialogs_.OpenWebAddress(this, QUrl(downloadUrl_));
}

void UpdateReminderDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the screen, not on the main window.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    ok_->setFocus();
}

}  // namespace trevasc
