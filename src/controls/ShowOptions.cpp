#include "controls/ShowOptions.h"

#include "controls/FittingFont.h"
#include "controls/PalettePicker.h"
#include "dialogs/OpenSaveDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>

namespace show_options {

QString delayText(int seconds) {
    if (seconds == 0)
        return QStringLiteral("Forever");
    if (seconds == 1)
        return QStringLiteral("1 Second");
    return QString::number(seconds) + QStringLiteral(" Seconds");
}

void Controls::prepare() const {
    maintain->setChecked(true);
    ratio->setEnabled(false);
    delay->setRange(show_delay::Min, show_delay::Max);
    delay->setSingleStep(1);
    delay->setPageStep(1);
    delay->setValue(show_delay::Default);
    updateDelay();
}

void Controls::connectHandlers(QObject* context, const Handlers& h) const {
    // An option button reports both its selection and its release; only the selection runs a handler.
    const auto whenSelected = [context](QRadioButton* option, const std::function<void()>& handler) {
        if (handler)
            QObject::connect(option, &QRadioButton::toggled, context, [handler](bool on) {
                if (on)
                    handler();
            });
    };
    whenSelected(stretch, h.Strech_Opt_Click);
    whenSelected(maintain, h.Maintain_Opt_Click);
    if (h.Delay_Scroll_Change)
        QObject::connect(delay, &QScrollBar::valueChanged, context, h.Delay_Scroll_Change);
    if (h.Delay_Scroll_Scroll)
        QObject::connect(delay, &QScrollBar::sliderMoved, context, h.Delay_Scroll_Scroll);
}

void Controls::followDisplayMode() const {
    ratio->setEnabled(stretch->isChecked());
}

void Controls::updateDelay() const {
    // "60 Seconds" is wider than some windows' boxes in some fonts: then it gets a smaller font.
    fitting::setText(delayLabel, delayText(delay->value()));
}

ShowSettings Controls::settings(const QString& musicPath) const {
    ShowSettings s;
    s.stretch = stretch->isChecked();
    s.keepRatio = ratio->isChecked();
    s.shuffle = shuffle->isChecked();
    s.delaySeconds = delay->value();
    s.backColour = colour->chosenColour();
    s.loop = loop->isChecked();
    s.pauseMessage = message->isChecked();
    s.useMusic = music->isChecked();
    s.musicPath = musicPath;
    return s;
}

void Controls::setSettings(const ShowSettings& s) const {
    (s.stretch ? stretch : maintain)->setChecked(true);
    ratio->setChecked(s.keepRatio);
    delay->setValue(s.delaySeconds);
    colour->setChosenColour(s.backColour);
    shuffle->setChecked(s.shuffle);
    loop->setChecked(s.loop);
    message->setChecked(s.pauseMessage);
    music->setChecked(s.useMusic);
}

std::optional<QString> chooseMusic(OpenSaveDialog& dialog, desktop::Desktop& desktop, QWidget* parent,
                                   const std::function<desktop::MessageBox(const QString& path)>& refusal) {
    dialog.setFileName(QString());
    dialog.setDialogTitle(QStringLiteral("Load Music File"));
    dialog.setPurpose(QLatin1String(OpenSaveDialog::Music));
    dialog.setFilter(
        QStringLiteral("All Supported Files (*.mp3,*.wav,*.mid)|*.mp3;*.wav;*.mid|All Files (*.*)|*.*"));
    dialog.ShowOpen();
    const QString chosen = dialog.FileName();
    if (chosen.isEmpty())
        return std::nullopt;
    if (!show_file::storable(chosen)) {
        desktop.message(parent, refusal(chosen));
        return std::nullopt;
    }
    return chosen;
}

bool releasedOver(const QWidget* control, QPoint at) {
    return at.x() >= 0 && at.y() >= 0 && at.x() <= control->width() && at.y() <= control->height();
}

} // namespace show_options
