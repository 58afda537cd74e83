#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

// The show as a media player on the session bus (MPRIS), so that it is steered from anywhere: the
// keyboard's media keys through the desktop, playerctl, desktop media widgets, a phone remote. Next
// and Previous step, Play, Pause and PlayPause pause and resume, Stop leaves the show. The bus name
// is there while the show plays; a second copy of the program takes a name of its own.
class ShowRemote : public QObject {
    Q_OBJECT
public:
    struct Handlers {
        std::function<void()> next;
        std::function<void()> previous;
        std::function<void()> playPause;
        std::function<void()> play;
        std::function<void()> pause;
        std::function<void()> stop;
    };

    // Registers on the session bus when there is one; without one the show plays on unsteered.
    ShowRemote(Handlers handlers, QObject* parent = nullptr);
    ~ShowRemote() override;

    // The bus name taken, or an empty text when none was.
    QString serviceName() const { return service_; }

    // The picture on screen now, and the show it belongs to.
    void showing(const QString& picturePath, const QString& showName);
    void setPaused(bool paused);

    const Handlers& handlers() const { return handlers_; }
    QString playbackStatus() const { return paused_ ? QStringLiteral("Paused") : QStringLiteral("Playing"); }
    QVariantMap metadata() const;

private:
    void changed(const QVariantMap& properties);

    Handlers handlers_;
    QString service_;
    QString picture_;
    QString show_;
    quint64 track_ = 0;
    bool paused_ = false;
};
