#include "forms/Form.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

Form::Form(Forms& owner, FormId id) : QWidget(nullptr), forms_(owner), id_(id) {
    setAttribute(Qt::WA_DeleteOnClose, false);
}

Form::~Form() {
    // The controls go after this part of the form; their last signals must not reach the hooks.
    for (const auto& [control, hooks] : hooks_)
        disconnect(control, &QObject::destroyed, this, nullptr);
}

Form::Hooks& Form::hooksOf(QWidget* control) {
    const auto [it, added] = hooks_.try_emplace(control);
    if (added) {
        control->installEventFilter(this);
        // A control deleted before its window leaves no stale entry behind.
        connect(control, &QObject::destroyed, this, [this](QObject* gone) { hooks_.erase(gone); });
    }
    return it->second;
}

void Form::onClick(QWidget* control, Handler handler) {
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        connect(button, &QAbstractButton::clicked, this, [handler = std::move(handler)] { handler(); });
        return;
    }
    hooksOf(control).click = std::move(handler);
}

void Form::onDoubleClick(QWidget* control, Handler handler, bool consume) {
    Hooks& hooks = hooksOf(control);
    hooks.doubleClick = std::move(handler);
    hooks.consumeDoubleClick = consume;
}

void Form::onFocus(QWidget* control, Handler handler) {
    hooksOf(control).focus = std::move(handler);
}

void Form::onKeyDown(QWidget* control, KeyHandler handler) {
    hooksOf(control).keyDown = std::move(handler);
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
    const auto it = hooks_.find(watched);
    if (it == hooks_.end())
        return QWidget::eventFilter(watched, event);
    auto* control = static_cast<QWidget*>(watched);
    // Copied: a handler may unload the window and so end this form's hooks.
    const Hooks hooks = it->second;
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (hooks.click) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if ((mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton) &&
                control->rect().contains(mouse->position().toPoint()))
                hooks.click();
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (hooks.doubleClick) {
            hooks.doubleClick();
            if (hooks.consumeDoubleClick)
                return true;
        }
        break;
    case QEvent::KeyPress:
        if (hooks.keyDown) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (hooks.keyDown(key->key(), key->modifiers()))
                return true;
        }
        break;
    case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool comesBack = control == lastFocused_ &&
                               (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason);
        lastFocused_ = control;
        if (hooks.focus && !comesBack)
            hooks.focus();
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
