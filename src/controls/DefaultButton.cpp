#include "controls/DefaultButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QShortcut>

DefaultButton::DefaultButton(QWidget& window, QAbstractButton& button) : QObject(&window) {
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, &window);
        connect(shortcut, &QShortcut::activated, &button, &QAbstractButton::click);
    }
    // An open popup is a window of its own, but the window's shortcuts still reach into it; its
    // key events come here first, before any shortcut is looked for.
    qApp->installEventFilter(this);
}

bool DefaultButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride || !QApplication::activePopupWidget())
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    // Claimed for the popup, which still sees the key and chooses; no shortcut is looked for.
    key->accept();
    return false;
}
