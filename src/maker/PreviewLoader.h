#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// Decodes the maker's preview on a worker thread at the size it is shown (JPEGs through the player's
// reduced decoding), so that clicking through a folder of camera photos never stalls the window. Only
// the latest request counts: one still waiting is replaced, and the result of one the user has moved
// past is dropped.
class PreviewLoader : public QObject {
    Q_OBJECT
public:
    explicit PreviewLoader(QObject* parent = nullptr);
    ~PreviewLoader() override;

    void request(const QString& path, QSize size);
    // No result comes for anything asked so far.
    void cancel();
    // The latest request's result is still to come. A cancelled request that is still being decoded
    // does not count: its result is never delivered.
    bool busy() const;
    // How many requests the worker has begun to decode.
    int decodesStarted() const;

    // The picture stretched to `size`, or a null image when the file cannot be read as a picture.
    static QImage decode(const QString& path, QSize size);

signals:
    // The latest request is done.
    void ready(const QString& path, const QImage& image);

private:
    struct Job {
        quint64 ticket = 0;
        QString path;
        QSize size;
    };

    void work();
    void deliver(quint64 ticket, const QString& path, const QImage& image);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> waiting_;
    bool stopping_ = false;
    quint64 latest_ = 0;    // the ticket of the last request; results of others are dropped
    quint64 delivered_ = 0; // the ticket whose result was delivered or dropped last
    int decodesStarted_ = 0;
    std::thread worker_;
};
