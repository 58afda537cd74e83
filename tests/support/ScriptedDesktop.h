#pragma once

#include "platform/Desktop.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

// A desktop that plays the user: every message box and file dialog must have been announced with
// expect...(); anything unexpected, or announced but different, fails the running test.
class ScriptedDesktop final : public desktop::Desktop {
public:
    struct ExpectedBox {
        desktop::MessageBox box;
        desktop::Answer answer = desktop::Answer::Ok;
        std::function<void()> whileOpen; // runs as if the box were open (timers may be driven here)
    };

    void expectMessage(const QString& title, const QString& text, desktop::Icon icon,
                       desktop::Buttons buttons, desktop::Answer answer = desktop::Answer::Ok,
                       std::function<void()> whileOpen = {});
    // The next file dialog: check what it was asked for, then answer.
    void expectFileDialog(std::function<desktop::FileReply(const desktop::FileRequest&)> answer);

    desktop::Answer message(QWidget* parent, const desktop::MessageBox& box) override;
    desktop::FileReply chooseFile(QWidget* parent, const desktop::FileRequest& request) override;
    void beep() override { ++beeps; }
    void openUrl(const QString& url) override { openedUrls << url; }
    void endNow(int exitCode) override { endedWith = exitCode; }
    void inhibitScreenSaver(const QString& reason) override { screenSaverCalls << "inhibit: " + reason; }
    void releaseScreenSaver() override { screenSaverCalls << QStringLiteral("release"); }
    // Whether the last call asked the desktop to keep the screen awake.
    bool screenKeptAwake() const {
        return !screenSaverCalls.isEmpty() && screenSaverCalls.last() != "release";
    }
    QList<desktop::Volume> volumes() override {
        ++volumeLooks;
        return volumeList;
    }

    // Fails the running test when an announced box or dialog never came. Call from cleanup().
    void verifyDone();
    bool pendingBoxes() const { return !boxes_.empty(); }

    QList<desktop::MessageBox> shownBoxes;
    QStringList openedUrls;
    QStringList screenSaverCalls;
    int beeps = 0;
    // What the desktop reports as mounted; a test changes it to add or break volumes.
    QList<desktop::Volume> volumeList{{QStringLiteral("/"), true}};
    int volumeLooks = 0;
    std::optional<int> endedWith;

private:
    std::deque<ExpectedBox> boxes_;
    std::deque<std::function<desktop::FileReply(const desktop::FileRequest&)>> dialogs_;
};
