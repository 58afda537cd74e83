#include "platform/QtDesktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include <cstdio>
#include <unistd.h>

namespace desktop {

namespace {

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(Buttons buttons) {
    switch (buttons) {
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

Answer QtDesktop::message(QWidget* parent, const MessageBox& box) {
    const QString title = box.title.isEmpty() ? QApplication::applicationDisplayName() : box.title;
    QMessageBox dialog(toQt(box.icon), title, box.text, toQt(box.buttons), parent);
    // The player is a top-most window; its boxes must not open behind it.
    if (parent && parent->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    switch (dialog.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return box.buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

FileReply QtDesktop::chooseFile(QWidget* parent, const FileRequest& request) {
    QFileDialog dialog(parent, request.title, request.initialFolder);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save          ? QFileDialog::AnyFile
                       : request.multiSelect ? QFileDialog::ExistingFiles
                                             : QFileDialog::ExistingFile);
    // The descriptions already name their patterns ("Lumora Files (*.lmr)"); show them as written.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!request.nameFilters.isEmpty()) {
        dialog.setNameFilters(request.nameFilters);
        if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size())
            dialog.selectNameFilter(request.nameFilters.at(request.filterIndex));
    }
    FileReply reply;
    if (dialog.exec() != QDialog::Accepted)
        return reply;
    reply.accepted = true;
    reply.files = dialog.selectedFiles();
    reply.filterIndex = std::max<int>(0, request.nameFilters.indexOf(dialog.selectedNameFilter()));
    return reply;
}

void QtDesktop::beep() {
    QApplication::beep();
}

void QtDesktop::openUrl(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}

QtDesktop::QtDesktop() : screenSaver_(QCoreApplication::applicationName()) {}

void QtDesktop::inhibitScreenSaver(const QString& reason) {
    screenSaver_.inhibit(reason);
}

void QtDesktop::releaseScreenSaver() {
    screenSaver_.release();
}

void QtDesktop::endNow(int exitCode) {
    std::fflush(nullptr);
    ::_exit(exitCode);
}

} // namespace desktop
