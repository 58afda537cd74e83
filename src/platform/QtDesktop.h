#pragma once

#include "platform/Desktop.h"

namespace desktop {

// The real desktop: QMessageBox, QFileDialog, QApplication::beep, QDesktopServices.
class QtDesktop final : public Desktop {
public:
    Answer message(QWidget* parent, const MessageBox& box) override;
    FileReply chooseFile(QWidget* parent, const FileRequest& request) override;
    void beep() override;
    void openUrl(const QString& url) override;
    void endNow(int exitCode) override;
};

} // namespace desktop
