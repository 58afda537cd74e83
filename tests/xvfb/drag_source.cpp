// A file manager's drag, for the real-window checks: a small window at the top left of the screen
// that, once pressed, drags the files named on its command line as text/uri-list, offering a copy,
// a move or a link as file managers do (a move when Shift is held). It prints "ready" when it is on
// the screen and "taken" whenever the window under the pointer accepts the drag as a copy, and ends
// with 0 when the drop was taken as a copy, 1 when it was refused, 2 when it was taken as a move
// (after which a file manager deletes the originals).
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class DragSource : public QWidget {
public:
    explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
        setWindowTitle(QStringLiteral("Drag source"));
        // The window under test keeps the keyboard, as it does when a file manager drags onto it.
        setWindowFlags(Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setGeometry(0, 0, 120, 80);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Qt::darkCyan);
        if (!ready_) {
            ready_ = true;
            std::puts("ready");
            std::fflush(stdout);
        }
    }

    void mousePressEvent(QMouseEvent*) override {
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls(urls_);
        drag->setMimeData(data);
        QObject::connect(drag, &QDrag::actionChanged, [](Qt::DropAction action) {
            if (action == Qt::CopyAction) {
                std::puts("taken");
                std::fflush(stdout);
            }
        });
        const Qt::DropAction done =
            drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
        QCoreApplication::exit(done == Qt::CopyAction ? 0 : done == Qt::MoveAction ? 2 : 1);
    }

private:
    QList<QUrl> urls_;
    bool ready_ = false;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (const QString& path : app.arguments().mid(1))
        urls << QUrl::fromLocalFile(path);
    DragSource source(urls);
    source.show();
    return app.exec();
}
