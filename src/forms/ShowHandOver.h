#pragma once

#include <QString>

// The window that carries the show hand-over field (the menu's Open_File_Path_Txt). Whoever starts
// the player writes the show's path into it; the player reads it when it loads. Windows reach it
// through the window owner, never through the menu's class.
class ShowHandOver {
public:
    virtual QString handOverText() const = 0;
    virtual void setHandOverText(const QString& text) = 0;

protected:
    ~ShowHandOver() = default;
};
