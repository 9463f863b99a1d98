#include "NginxServer.h"

#include "Files.h"
#include "LocalHttp.h"
#include "Loopback.h"
#include "NginxConfig.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int StartAttempts = 5;
constexpr int StartTimeoutMs = 10000;
constexpr int StopTimeoutMs = 5000;
constexpr int PollIntervalMs = 5;

QString ReadText(const QString& Path)
{
    return QString::fromUtf8(ReadFile(Path));
}

void WriteText(const QString& Path, const QString& Text)
{
    QFile File(Path);
    if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate) || File.write(Text.toUtf8()) < 0)
        throw ENginxError(QStringLiteral("Cannot write %1: %2").arg(Path, File.errorString()));
}

// Starts Program with Arguments, its standard output and error going to
// OutputPath. The child gets SIGKILL when the calling thread ends.
pid_t Spawn(const QString& Program, const QStringList& Arguments, const QString& OutputPath)
{
    // Everything the child needs is prepared before fork: only async-signal-safe
    // calls may run between fork and exec.
    QList<QByteArray> Storage { QFile::encodeName(Program) };
    for (const QString& Argument : Arguments)
        Storage.append(Argument.toLocal8Bit());
    std::vector<char*> Argv;
    for (QByteArray& Item : Storage)
        Argv.push_back(Item.data());
    Argv.push_back(nullptr);
    const QByteArray Output = QFile::encodeName(OutputPath);
    const pid_t Parent = getpid();

    const pid_t Pid = fork();
    if (Pid < 0)
        throw ENginxError(QStringLiteral("fork failed"));
    if (Pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != Parent)
            _exit(127);
        const int Null = open("/dev/null", O_RDONLY);
        const int Out = open(Output.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (Null < 0 || Out < 0)
            _exit(127);
        dup2(Null, 0);
        dup2(Out, 1);
        dup2(Out, 2);
        execv(Argv[0], Argv.data());
        _exit(127);
    }
    return Pid;
}

// Reaps Pid if it has ended; true when it has.
bool HasEnded(pid_t Pid)
{
    int Status = 0;
    return waitpid(Pid, &Status, WNOHANG) == Pid;
}

bool PidFileNames(const QString& Path, pid_t Pid)
{
    return ReadText(Path).trimmed() == QString::number(Pid);
}

} // namespace

NginxOptions& NginxOptions::AddLocation(const QString& Match, const QString& Body)
{
    Locations.append({ Match, Body });
    return *this;
}

NginxOptions& NginxOptions::AddCharset(const QString& Match, const QString& Charset)
{
    return AddLocation(Match, QStringLiteral("charset %1;").arg(Charset));
}

NginxOptions& NginxOptions::AddRedirect(const QString& Path, int Status, const QString& Target)
{
    return AddLocation(QStringLiteral("= ") + Path, QStringLiteral("return %1 %2;").arg(Status).arg(Target));
}

NginxServer::NginxServer(const NginxOptions& Options)
    : FOptions(Options)
    , FPrefix(std::make_unique<QTemporaryDir>())
{
    if (!FPrefix->isValid())
        throw ENginxError(QStringLiteral("Cannot create a temporary folder: %1").arg(FPrefix->errorString()));
    if (!QFileInfo(Options.RootFolder).isDir())
        throw ENginxError(QStringLiteral("No folder to serve: %1").arg(Options.RootFolder));
    const QString Binary = FindBinary();
    if (Binary.isEmpty())
        throw ENginxError(QStringLiteral("nginx not found (install nginx-light or set HARVO_NGINX)"));
    // Another process may take the free port before nginx binds it; then try
    // another one.
    for (int Attempt = 0; Attempt < StartAttempts; ++Attempt)
        if (TryStart(Binary))
            return;
    throw ENginxError(
        QStringLiteral("nginx found no free port in %1 attempts:\n%2").arg(StartAttempts).arg(ErrorLog()));
}

NginxServer::~NginxServer()
{
    Stop();
}

bool NginxServer::TryStart(const QString& Binary)
{
    FPort = UnusedLoopbackPort();
    const QString ConfigText = RenderNginxConfig(FOptions, FPrefix->path(), FPort);
    WriteText(PrefixPath(QStringLiteral("nginx.conf")), ConfigText);
    QFile::remove(PrefixPath(QStringLiteral("error.log")));
    FPid = Spawn(Binary,
        { QStringLiteral("-p"), FPrefix->path(), QStringLiteral("-c"),
            PrefixPath(QStringLiteral("nginx.conf")), QStringLiteral("-e"),
            PrefixPath(QStringLiteral("error.log")) },
        PrefixPath(QStringLiteral("output.log")));

    // The pid file is written after the listening socket is bound.
    const QDeadlineTimer Deadline(StartTimeoutMs);
    while (!Deadline.hasExpired()) {
        if (HasEnded(FPid)) {
            FPid = -1;
            const QString Log = ErrorLog() + ReadText(PrefixPath(QStringLiteral("output.log")));
            if (Log.contains(QLatin1String("Address already in use")))
                return false;
            throw ENginxError(
                QStringLiteral("nginx did not start:\n%1\nConfiguration:\n%2").arg(Log, ConfigText));
        }
        if (PidFileNames(PrefixPath(QStringLiteral("nginx.pid")), FPid) && LocalPortAccepts(FPort))
            return true;
        QThread::msleep(PollIntervalMs);
    }
    Stop();
    throw ENginxError(QStringLiteral("nginx did not accept connections within %1 ms").arg(StartTimeoutMs));
}

void NginxServer::Stop()
{
    if (FPid <= 0)
        return;
    ::kill(FPid, SIGTERM);
    const QDeadlineTimer Deadline(StopTimeoutMs);
    while (!HasEnded(FPid)) {
        if (Deadline.hasExpired()) {
            ::kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
            break;
        }
        QThread::msleep(PollIntervalMs);
    }
    FPid = -1;
}

QString NginxServer::PrefixPath(const QString& Name) const
{
    return FPrefix->filePath(Name);
}

QString NginxServer::HostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(FPort);
}

QString NginxServer::BaseURL() const
{
    const bool Tls = !FOptions.TlsCertificateFile.isEmpty();
    return QStringLiteral("%1://%2/").arg(Tls ? "https" : "http", HostAndPort());
}

QStringList NginxServer::RequestLog() const
{
    // nginx logs a request right after its last byte is sent, within the same
    // event; once it answers a later request, every earlier one is logged.
    LocalHttpGet(FPort, NginxLogSyncPath);
    return ReadText(PrefixPath(QStringLiteral("access.log"))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString NginxServer::ErrorLog() const
{
    return ReadText(PrefixPath(QStringLiteral("error.log")));
}

QString NginxServer::FindBinary()
{
    const QString FromEnvironment = qEnvironmentVariable("HARVO_NGINX");
    if (!FromEnvironment.isEmpty())
        return FromEnvironment;
    const QString Debian = QStringLiteral("/usr/sbin/nginx");
    if (QFileInfo(Debian).isExecutable())
        return Debian;
    return QStandardPaths::findExecutable(QStringLiteral("nginx"));
}
