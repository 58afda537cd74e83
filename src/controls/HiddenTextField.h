#pragma once

#include <QString>
#include <QWidget>

// A text field that is never shown: windows hand a value to one another through it (the show to
// play). It holds text and nothing else, which keeps a full line editor's set-up (about 7 ms of
// text layout and input method) out of the start of every show.
class HiddenTextField : public QWidget {
    Q_OBJECT
public:
    explicit HiddenTextField(QWidget* parent) : QWidget(parent) {
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_DontShowOnScreen);
        hide();
    }

    QString text() const { return text_; }
    void setText(const QString& text) { text_ = text; }

private:
    QString text_;
};
