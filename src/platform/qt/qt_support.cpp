#include "platform/qt/qt_support.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tilvane::qt {

QtSupport::QtSupport(QtUserInterface& ui, QString version, Hooks hooks)
    : ui_(ui), version_(std::move(version)), hooks_(std::move(hooks)) {}

QString QtSupport::updatesText(const QString& version) {
    return QStringLiteral(
               "You are running Tilvane %1.\n\nTilvane does not look for updates on the internet. Updates come "
               "with the package Tilvane was installed from: your distribution's package manager, or a newer "
               "Tilvane folder or package from the place you downloaded this one.")
        .arg(version);
}

QString QtSupport::crashNoticeText(const std::vector<std::string>& reports) {
    QString text = reports.size() == 1 ? QStringLiteral(
                                             "Tilvane ended unexpectedly last time. A report of what "
                                             "happened is in:\n\n")
                                       : QStringLiteral(
                                             "Tilvane ended unexpectedly %1 times. Reports of what "
                                             "happened are in:\n\n")
                                             .arg(reports.size());
    for (const auto& report : reports) text += QString::fromStdString(report) + "\n";
    text += QStringLiteral(
        "\nThe reports stay on this computer. \"Contact Support\" in Tilvane's menu makes a "
        "support report you can send along with them.");
    return text;
}

void QtSupport::setupIssuesController(bool reportingUnhandledIssues) {
    if (!reportingUnhandledIssues || reporterStarted_ || !hooks_.startProblemReporter) return;
    reporterStarted_ = true;
    auto reports = hooks_.startProblemReporter();
    if (reports.empty()) return;
    auto* box =
        new QMessageBox(QMessageBox::Information, QStringLiteral("Tilvane"), crashNoticeText(reports), QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->show();
    ui_.windowShown(box);
}

void QtSupport::checkForUpdates() {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Check for Updates"), updatesText(version_),
                                QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    ui_.windowShown(box);
}

void QtSupport::showFeedbackDialog(int) {
    auto* dialog = new QDialog();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Contact Support"));
    auto* layout = new QVBoxLayout(dialog);
    auto* intro = new QLabel(QStringLiteral(
        "This report describes your desktop and Tilvane's settings. Nothing is sent: copy it or save it, and "
        "attach it to your message."));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* text = new QPlainTextEdit(QString::fromStdString(hooks_.composeReport ? hooks_.composeReport() : ""));
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setMinimumSize(560, 380);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* copy = buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::ActionRole);
    QPushButton* save = buttons->addButton(QStringLiteral("Save..."), QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    QObject::connect(copy, &QPushButton::clicked, dialog,
                     [text] { QApplication::clipboard()->setText(text->toPlainText()); });
    QObject::connect(save, &QPushButton::clicked, dialog, [dialog, text] {
        QString path = QFileDialog::getSaveFileName(dialog, QStringLiteral("Save Support Report"),
                                                    QStringLiteral("tilvane-support-report.txt"));
        if (path.isEmpty()) return;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text->toPlainText().toUtf8()) < 0) {
            QMessageBox::warning(
                dialog, QStringLiteral("Save Support Report"),
                QStringLiteral("The report could not be saved to %1: %2").arg(path, file.errorString()));
        }
    });
    dialog->show();
    ui_.windowShown(dialog);
}

}  // namespace tilvane::qt
