#pragma once

#include "ScriptedDesktop.h"
#include "show/ShowFile.h"

#include <QColor>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class Forms;
class Main_Frm;

// A program under test: a scripted desktop, a window owner with the program's own windows registered
// (a test may register others over them), and a folder to make pictures and shows in. Each test gets
// a fresh one.
class ShowFixture {
public:
    // `commandLine` as one argument, as a shell passes a quoted line.
    explicit ShowFixture(const QString& commandLine = QString());
    ~ShowFixture();

    // The program's start, as its entry makes it for `arguments` (by default the fixture's command
    // line).
    void start();
    void start(const QStringList& arguments);

    QString dir() const { return tmp_.path(); }
    QString path(const QString& name) const { return tmp_.filePath(name); }

    // A picture of one colour; the format follows the extension (bmp, jpg, png).
    QString picture(const QString& name, QColor colour, QSize size = QSize(64, 48));
    QString textFile(const QString& name, const QByteArray& content = "not a picture\n");
    QString fifo(const QString& name);
    QString show(const QString& name, const ShowSettings& settings, const QStringList& pictures);

    // Hands the show to the player as the menu does and returns the player (null if it closed), its
    // first picture on screen.
    Main_Frm* play(const QString& showPath);
    // What the player shows: the colour at the centre of its picture, or invalid when none is shown.
    QColor shownColour() const;

    ScriptedDesktop desktop;
    std::unique_ptr<Forms> forms;
    bool programEnded = false;

private:
    QStringList arguments_;
    QTemporaryDir tmp_;
};

// Lets a step of `player` whose picture is still being decoded (on a busy machine) finish.
void settleStep(Main_Frm* player);
ShowSettings plainSettings(bool loop, int delaySeconds = 60);
// Writes a picture of one colour to `path`; the format follows the extension (bmp, jpg, png).
QString writeSolidPicture(const QString& path, QColor colour, QSize size = QSize(64, 48));
