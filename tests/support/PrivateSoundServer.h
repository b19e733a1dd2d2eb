#pragma once
// A PulseAudio server of a test's own, for the tests that play or record real sound.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace testsupport {

inline const char* const Sink = "tovaro_null";

// A PulseAudio server of this test's own: its folders in a temporary directory, a null sink
// at 48000 Hz, anonymous clients on its socket, never spawned by a client. The environment of
// this process points PulseAudio's clients (the ALSA plugin among them) at it.
class PrivateSoundServer {
public:
    PrivateSoundServer() : dir_(folderTemplate())
    {
        QDir(dir_.path()).mkpath("run");
        QDir(dir_.path()).mkpath("home");
        socket_ = dir_.filePath("run/native");
        QFile config(dir_.filePath("client.conf"));
        if (config.open(QIODevice::WriteOnly))
            config.write("autospawn = no\n");
        // The clients' own files (cookie, runtime folder) stay in the folder too.
        qputenv("XDG_RUNTIME_DIR", dir_.filePath("run").toLocal8Bit());
        qputenv("PULSE_COOKIE", dir_.filePath("cookie").toLocal8Bit());
        qputenv("PULSE_SERVER", ("unix:" + socket_).toLocal8Bit());
        qputenv("PULSE_CLIENTCONFIG", dir_.filePath("client.conf").toLocal8Bit());
        qputenv("PULSE_SINK", Sink);
        qputenv("PULSE_SOURCE", QByteArray(Sink) + ".monitor");
    }
    ~PrivateSoundServer() { stop(); }

    // A socket's path holds at most 107 bytes: under a temporary folder too deep for that
    // the server's folder goes into /tmp.
    static QString folderTemplate()
    {
        const QString under = QDir::tempPath() + "/tovaro-pulse-XXXXXX";
        return (under + "/run/native").toLocal8Bit().size() <= 107 ? under : QString("/tmp/tovaro-pulse-XXXXXX");
    }

    // Starts the server and waits for its socket; false with the reason when it cannot.
    bool start(QString& why)
    {
        const QString program = QStandardPaths::findExecutable("pulseaudio");
        if (program.isEmpty()) {
            why = "the pulseaudio program is not installed";
            return false;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir_.filePath("run"));
        env.insert("HOME", dir_.filePath("home"));
        server_.setProcessEnvironment(env);
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.start(program, {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                "--log-target=stderr", "-L",
                                "module-native-protocol-unix auth-anonymous=1 socket=" + socket_, "-L",
                                QString("module-null-sink sink_name=%1 rate=48000").arg(Sink)});
        if (!server_.waitForStarted(5000)) {
            why = "pulseaudio did not start: " + server_.errorString();
            return false;
        }
        QDeadlineTimer deadline(10000);
        while (!QFile::exists(socket_) && server_.state() == QProcess::Running && !deadline.hasExpired())
            QTest::qWait(50);
        if (!QFile::exists(socket_)) {
            why = "pulseaudio gave no socket: " + QString::fromLocal8Bit(server_.readAll()).trimmed();
            stop();
            return false;
        }
        return true;
    }

    // Ends the server this test started (by its own process id), as a crash or a restart of
    // the desktop's sound server would.
    void stop()
    {
        if (server_.state() == QProcess::NotRunning)
            return;
        server_.terminate();
        if (!server_.waitForFinished(5000)) {
            server_.kill();
            server_.waitForFinished(2000);
        }
        QFile::remove(socket_);
    }

    // Plays a WAV file into the null sink; the player is this test's and ends with it.
    void play(const QString& wav)
    {
        player_.setProcessChannelMode(QProcess::MergedChannels);
        player_.start(QStandardPaths::findExecutable("paplay"), {"--device=" + QString(Sink), wav});
    }
    bool playerStarted() { return player_.waitForStarted(5000); }
    void endPlayer()
    {
        if (player_.state() != QProcess::NotRunning) {
            player_.kill();
            player_.waitForFinished(2000);
        }
    }
    QString dataHome() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QString socket_;
    QProcess server_, player_;
};

} // namespace testsupport
