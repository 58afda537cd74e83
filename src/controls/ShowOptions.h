#pragma once

#include "platform/Desktop.h"
#include "show/ShowFile.h"

#include <QPoint>
#include <QString>

#include <functional>
#include <optional>

class OpenSaveDialog;
class PalettePicker;
class QAbstractButton;
class QCheckBox;
class QLabel;
class QObject;
class QRadioButton;
class QScrollBar;
class QWidget;

// The show options as the folder setup and the maker both offer them. Each window makes, places and
// names its own controls and keeps its own handlers; what the options do lives here once.
namespace show_options {

// The delay in words: "Forever" for 0, "1 Second", otherwise "N Seconds".
QString delayText(int seconds);

// The handlers a window names for its option controls; an empty one is not connected.
struct Handlers {
    std::function<void()> Strech_Opt_Click;
    std::function<void()> Maintain_Opt_Click;
    std::function<void()> Delay_Scroll_Change;
    // While the thumb is dragged.
    std::function<void()> Delay_Scroll_Scroll;
};

// The option controls of one window; the window owns them.
struct Controls {
    QRadioButton* maintain = nullptr;
    QRadioButton* stretch = nullptr;
    QCheckBox* ratio = nullptr;
    QLabel* delayLabel = nullptr;
    QScrollBar* delay = nullptr;
    PalettePicker* colour = nullptr;
    QCheckBox* shuffle = nullptr;
    QCheckBox* loop = nullptr;
    QCheckBox* message = nullptr;
    QAbstractButton* music = nullptr;

    // The design state both windows share: own size chosen, Keep Ratio disabled, the delay 0 to 60
    // seconds in steps of one, at five, and its label in words.
    void prepare() const;
    // Connects the handlers to the signals that also fire when code sets a value, so that restoring
    // an option runs the same change handling as the user's change.
    void connectHandlers(QObject* context, const Handlers& handlers) const;

    // Keep Ratio is offered exactly while stretching, and keeps its mark while it is not.
    void followDisplayMode() const;
    // The delay label reads the scroll bar's value in words.
    void updateDelay() const;

    // The show's settings as the controls hold them, with the music path the window keeps.
    ShowSettings settings(const QString& musicPath) const;
    // Sets every control from `s` (the music path is the window's); each control's change handling
    // runs.
    void setSettings(const ShowSettings& s) const;
};

// The music chooser: Dialog1 asks for a music file of the supported kinds. The file chosen, or
// nothing when the user cancelled or the file was refused: a path that a show file cannot hold is
// refused with the box that `refusal` makes of it, shown over `parent`.
std::optional<QString> chooseMusic(OpenSaveDialog& dialog, desktop::Desktop& desktop, QWidget* parent,
                                   const std::function<desktop::MessageBox(const QString& path)>& refusal);

// Whether a mouse button released at `at` (in `control`'s own coordinates) was released over the
// control; its edges count as inside.
bool releasedOver(const QWidget* control, QPoint at);

} // namespace show_options
