#include "ShowFixture.h"
#include "PlayerDriver.h"

#include "app/CommandLine.h"
#include "app/CommandLineStart.h"
#include "app/FormRegistry.h"
#include "forms/Forms.h"
#include "player/ImageBox.h"
#include "player/Main_Frm.h"

#include <QFile>
#include <QImage>
#include <QPointer>
#include <QTest>

#include <sys/stat.h>

ShowFixture::ShowFixture(const QString& commandLine) : forms(std::make_unique<Forms>(desktop)) {
    if (!commandLine.isEmpty())
        arguments_ << commandLine;
    registerForms(*forms);
    forms->onLastWindowGone = [this] { programEnded = true; };
}

void ShowFixture::start() {
    start(arguments_);
}

void ShowFixture::start(const QStringList& arguments) {
    command_line_start::start(*forms, command_line::decide(arguments));
}

ShowFixture::~ShowFixture() {
    forms.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString writeSolidPicture(const QString& path, QColor colour, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    if (!image.save(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString ShowFixture::picture(const QString& name, QColor colour, QSize size) {
    return writeSolidPicture(path(name), colour, size);
}

QString ShowFixture::textFile(const QString& name, const QByteArray& content) {
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}

QString ShowFixture::fifo(const QString& name) {
    const QString p = path(name);
    if (::mkfifo(QFile::encodeName(p).constData(), 0600) != 0)
        qFatal("cannot make fifo %s", qPrintable(p));
    return p;
}

QString ShowFixture::show(const QString& name, const ShowSettings& settings, const QStringList& pictures) {
    const QString p = name.startsWith(u'/') ? name : path(name);
    if (!show_file::write(p, settings, pictures))
        qFatal("cannot write show %s", qPrintable(p));
    return p;
}

Main_Frm* ShowFixture::play(const QString& showPath) {
    forms->playShow(showPath);
    Main_Frm* player = forms->as<Main_Frm>(FormId::Player);
    // On screen, as a user would see it, before the test steps on.
    if (player && player->isVisible() && !QTest::qWaitForWindowExposed(player))
        qWarning("the player never came on screen");
    settleStep(player);
    return player;
}

QColor ShowFixture::shownColour() const {
    PlayerDriver player = forms->as<Main_Frm>(FormId::Player);
    if (!player || !player.pictureBox()->isVisible() || player.pictureBox()->picture().isNull())
        return {};
    const QImage& image = player.pictureBox()->picture();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

void settleStep(Main_Frm* player) {
    const QPointer<Main_Frm> alive(player);
    if (!QTest::qWaitFor([&] { return !alive || !alive->sequence().waiting(); }))
        qWarning("a step still waits for its picture");
}

ShowSettings plainSettings(bool loop, int delaySeconds) {
    ShowSettings s;
    s.stretch = false;
    s.keepRatio = false;
    s.loop = loop;
    s.delaySeconds = delaySeconds;
    return s;
}
