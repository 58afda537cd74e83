#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// Everything the program asks of the desktop that a test must be able to play: message boxes,
// file dialogs, the beep, opening a web page, the mounted volumes and ending the program at once.
namespace desktop {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct MessageBox {
    QString text;
    QString title; // empty: the box carries the application's display name
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
};

struct FileRequest {
    bool save = false;
    bool multiSelect = false;
    QString title;
    QStringList nameFilters; // Qt form: "Description (*.a *.b)"
    int filterIndex = 0;     // 0-based entry of nameFilters selected at the start
    QString initialFolder;
};

// A mounted volume as the volume lists offer it.
struct Volume {
    QString rootPath;  // where it is mounted; also the text the list shows
    bool ready = true; // its root can be listed now
};

struct FileReply {
    bool accepted = false;
    QStringList files;   // absolute paths
    int filterIndex = 0; // 0-based entry the user had selected
};

class Desktop {
public:
    virtual ~Desktop() = default;

    // Modal box owned by `parent` (may be null). Timers of the program keep running while it is open.
    virtual Answer message(QWidget* parent, const MessageBox& box) = 0;
    // A save dialog never asks before replacing a file itself: that question is its caller's.
    virtual FileReply chooseFile(QWidget* parent, const FileRequest& request) = 0;
    virtual void beep() = 0;
    virtual void openUrl(const QString& url) = 0;
    // The volumes a user may pick pictures from (no pseudo or package mounts), sorted by root path.
    virtual QList<Volume> volumes() = 0;
    // Ends the process without running any closing handler, saving anything or deleting temporary
    // files. A scripted desktop records the call and returns; callers must return straight after it.
    virtual void endNow(int exitCode) = 0;
    // Asks the desktop not to start its screen saver or blank the display while a show plays, and
    // lets it again. Silent: a desktop that cannot or will not keep the screen awake changes nothing.
    // A desktop without a screen saver has nothing to do.
    virtual void inhibitScreenSaver(const QString& reason) { Q_UNUSED(reason); }
    virtual void releaseScreenSaver() {}
};

} // namespace desktop

#include <QMetaType>
Q_DECLARE_METATYPE(desktop::Volume)
