#include "platform/QtDesktop.h"

#include "platform/Volumes.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPointer>
#include <QTreeView>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
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

// Brings back, when a box or dialog closes, the window that was active when it opened, with the
// focus on the control that had it. A window manager may do the first itself, but without one
// nothing does: the keyboard would stay with the closed box, and the window's keys would do nothing
// until it was clicked. The control gets its focus back as a window's focus comes back, not as a
// new focus.
class FocusReturn {
public:
    explicit FocusReturn(QWidget* parent)
        : window_(QApplication::activeWindow() ? QApplication::activeWindow()
                  : parent                     ? parent->window()
                                               : nullptr),
          focus_(window_ ? window_->focusWidget() : nullptr) {}
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;
    ~FocusReturn() {
        // A window closed or hidden meanwhile (its box's answer may have done it) is left alone, and
        // so is one that another box or dialog still holds.
        if (!window_ || !window_->isVisible())
            return;
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window_)
            return;
        if (focus_ && focus_->window() == window_ && focus_->isVisible() && focus_->isEnabled())
            focus_->setFocus(Qt::ActiveWindowFocusReason);
        // On Wayland the compositor alone moves the keyboard (back to the window under a closed
        // dialog); a client's request would only bring Qt's warning where it offers no activation.
        if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            window_->activateWindow();
    }

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;
};

} // namespace

Answer QtDesktop::message(QWidget* parent, const MessageBox& box) {
    const QString title = box.title.isEmpty() ? QApplication::applicationDisplayName() : box.title;
    QMessageBox dialog(toQt(box.icon), title, box.text, toQt(box.buttons), parent);
    // The player is a top-most window; its boxes must not open behind it.
    if (parent && parent->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const FocusReturn focusReturn(parent);
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
    // Whether replacing a file needs a question is the caller's choice, asked through this seam.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.nameFilters.isEmpty()) {
        dialog.setNameFilters(request.nameFilters);
        if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size())
            dialog.selectNameFilter(request.nameFilters.at(request.filterIndex));
    }
    // The detail view's Size, Type and Date columns as wide as what they show, whatever the dialog's
    // size; the name takes the rest.
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    FileReply reply;
    const FocusReturn focusReturn(parent);
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

QList<Volume> QtDesktop::volumes() {
    struct Pending {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        QList<Volume> result;
    };
    auto pending = std::make_shared<Pending>();
    // Left to finish on its own if a mount does not answer: the list goes on without that look.
    std::thread([pending] {
        QList<Volume> found = volumes::mountedNow();
        const std::lock_guard lock(pending->mutex);
        pending->result = std::move(found);
        pending->finished = true;
        pending->done.notify_all();
    }).detach();
    std::unique_lock lock(pending->mutex);
    if (!pending->done.wait_for(lock, std::chrono::seconds(2), [&] { return pending->finished; }))
        return lastVolumes_;
    lastVolumes_ = pending->result;
    return lastVolumes_;
}

void QtDesktop::endNow(int exitCode) {
    std::fflush(nullptr);
    ::_exit(exitCode);
}

} // namespace desktop
