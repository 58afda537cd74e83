#pragma once

#include "platform/Desktop.h"
#include "platform/ScreenSaverInhibitor.h"

namespace desktop {

// The real desktop: QMessageBox, QFileDialog, QApplication::beep, QDesktopServices, QStorageInfo,
// the session bus's screen saver.
class QtDesktop final : public Desktop {
public:
    QtDesktop();

    Answer message(QWidget* parent, const MessageBox& box) override;
    FileReply chooseFile(QWidget* parent, const FileRequest& request) override;
    void beep() override;
    void openUrl(const QString& url) override;
    // QStorageInfo's mounted volumes, looked at on a worker thread: a dead network mount can block
    // whoever asks, and the window must not be that one.
    QList<Volume> volumes() override;
    void endNow(int exitCode) override;
    void inhibitScreenSaver(const QString& reason) override;
    void releaseScreenSaver() override;
    // The screen saver given back for a program that ends by other means than its windows.
    void releaseScreenSaverBeforeEnding() { screenSaver_.releaseBeforeEnding(); }

private:
    ScreenSaverInhibitor screenSaver_;
    QList<Volume> lastVolumes_; // what the last look found, for a look that does not come back
};

} // namespace desktop
