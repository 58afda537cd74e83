#pragma once

#include "platform/Desktop.h"
#include "platform/ScreenSaverInhibitor.h"

namespace desktop {

// The real desktop: QMessageBox, QFileDialog, QApplication::beep, QDesktopServices, the session
// bus's screen saver.
class QtDesktop final : public Desktop {
public:
    QtDesktop();

    Answer message(QWidget* parent, const MessageBox& box) override;
    FileReply chooseFile(QWidget* parent, const FileRequest& request) override;
    void beep() override;
    void openUrl(const QString& url) override;
    void endNow(int exitCode) override;
    void inhibitScreenSaver(const QString& reason) override;
    void releaseScreenSaver() override;

private:
    ScreenSaverInhibitor screenSaver_;
};

} // namespace desktop
