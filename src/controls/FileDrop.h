#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include <functional>

class QDropEvent;
class QWidget;

// Files and folders dropped from a file manager onto a widget (local files only). The widget takes a
// drag when `accepts` finds something it can use among the dropped paths, decided once as the drag
// enters; it never takes a move, so the file manager keeps its files. The drop is reported after
// the drop event has returned, so that a message it brings does not hold the file manager up.
// Connected with attach() and disconnected with detach(), as the window comes and goes.
class FileDrop final : public QObject {
    Q_OBJECT
public:
    using Accepts = std::function<bool(const QStringList& paths)>;

    FileDrop(QWidget& target, Accepts accepts, QObject* parent = nullptr);
    ~FileDrop() override;

    void attach();
    void detach();
    // A taken drag is over the target now.
    bool hovering() const { return taking_; }

signals:
    // The pointer of a taken drag is at `at` (the target's coordinates).
    void movedOver(QPoint at);
    // A taken drag left the target, or was dropped.
    void left();
    void dropped(const QStringList& paths, QPoint at);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Copies the files or links to them, whatever the file manager proposed; false when it offers
    // neither.
    static bool takeAsCopy(QDropEvent& event);
    void stop();

    QPointer<QWidget> target_;
    Accepts accepts_;
    QStringList paths_;
    bool taking_ = false;
    bool attached_ = false;
};
