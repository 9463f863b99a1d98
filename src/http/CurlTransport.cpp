#include "http/CurlTransport.h"

#include "http/HTTPErrors.h"
#include "http/ResponseCharset.h"

#include <QUrl>
#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <mutex>

namespace {

void InitCurlOnce()
{
    static std::once_flag Once;
    std::call_once(Once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
#ifdef SIGPIPE
        // Transfers run without curl's signal handling (they run on several
        // threads): a peer that closes while TLS writes to it must fail that
        // transfer, not end the process.
        std::signal(SIGPIPE, SIG_IGN);
#endif
    });
}

bool HasHeader(const QList<QByteArray>& Lines, const QByteArray& Name)
{
    return std::any_of(Lines.begin(), Lines.end(), [&](const QByteArray& Line) {
        return Line.size() > Name.size() && Line[Name.size()] == ':'
            && qstrnicmp(Line.constData(), Name.constData(), Name.size()) == 0;
    });
}

void AppendHeader(TCurlList& List, const QByteArray& Line)
{
    curl_slist* Grown = curl_slist_append(List.get(), Line.constData());
    if (!Grown)
        throw std::bad_alloc();
    (void)List.release();
    List.reset(Grown);
}

// The CA store libcurl was built to use, for a check without a file of its own.
const char* DefaultCAFile()
{
    static const QByteArray Path = [] {
        CURL* Probe = curl_easy_init();
        char* Found = nullptr;
        curl_easy_getinfo(Probe, CURLINFO_CAINFO, &Found);
        const QByteArray Copy(Found);
        curl_easy_cleanup(Probe);
        return Copy;
    }();
    return Path.isEmpty() ? nullptr : Path.constData();
}

} // namespace

TCurlTransport::TCurlTransport()
    : TCurlTransport((InitCurlOnce(), curl_easy_init()), std::make_shared<TTransferHub>())
{
    FPacer = std::make_shared<THostPacer>();
    curl_easy_setopt(FEasy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(FEasy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(FEasy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(FEasy, CURLOPT_DEFAULT_PROTOCOL, "http");
    curl_easy_setopt(FEasy, CURLOPT_FOLLOWLOCATION, 0L);
    // HTTP/2 when a TLS server offers it, HTTP/1.1 otherwise.
    curl_easy_setopt(FEasy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(FEasy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(FEasy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(FEasy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    // Copies are made for archiving, not trust: any certificate, any version.
    curl_easy_setopt(FEasy, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(FEasy, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(FEasy, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1));
    curl_easy_setopt(FEasy, CURLOPT_SSL_CIPHER_LIST, "DEFAULT:@SECLEVEL=0");
    curl_easy_setopt(FEasy, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(FEasy, CURLOPT_PROXY, ""); // no proxy from the environment
    curl_easy_setopt(FEasy, CURLOPT_HEADERFUNCTION, &TCurlTransport::OnHeader);
    curl_easy_setopt(FEasy, CURLOPT_WRITEFUNCTION, &TCurlTransport::OnBody);
    curl_easy_setopt(FEasy, CURLOPT_READFUNCTION, &TCurlTransport::OnReadPost);
    curl_easy_setopt(FEasy, CURLOPT_SEEKFUNCTION, &TCurlTransport::OnSeekPost);
    curl_easy_setopt(FEasy, CURLOPT_PREREQFUNCTION, &TCurlTransport::OnConnected);
    SetLowSpeedRule(LowSpeedBytesPerSecond, LowSpeedWindowSeconds);
}

TCurlTransport::TCurlTransport(CURL* Easy, std::shared_ptr<TTransferHub> Hub)
    : FHub(std::move(Hub))
    , FEasyHandle(Easy)
    , FEasy(Easy)
    , FRatePause(std::make_shared<TRatePause>(TRatePause { Easy }))
{
    if (!FEasy)
        throw EHTTPTransportError(QStringLiteral("The HTTP transport could not be created"));
    FSockets = &FHub->Sockets();
    BindToThis();
}

void TCurlTransport::BindToThis()
{
    curl_easy_setopt(FEasy, CURLOPT_ERRORBUFFER, FErrorBuffer);
    for (const CURLoption Option :
        { CURLOPT_HEADERDATA, CURLOPT_WRITEDATA, CURLOPT_READDATA, CURLOPT_SEEKDATA, CURLOPT_PREREQDATA })
        curl_easy_setopt(FEasy, Option, this);
    FSockets->Attach(FEasy);
}

std::unique_ptr<TCurlTransport> TCurlTransport::Sibling(std::shared_ptr<TTransferHub> Hub)
{
    if (!FShare) {
        FShare = std::make_shared<TCurlShare>();
        curl_easy_setopt(FEasy, CURLOPT_SHARE, FShare->Handle());
    }
    std::unique_ptr<TCurlTransport> Copy(new TCurlTransport(curl_easy_duphandle(FEasy), std::move(Hub)));
    curl_easy_setopt(Copy->FEasy, CURLOPT_SHARE, FShare->Handle());
    Copy->FShare = FShare;
    Copy->FPacer = FPacer;
    Copy->FReadTimeoutMs = FReadTimeoutMs;
    Copy->FMaxBodySize = FMaxBodySize;
    Copy->FTimeLimitMs = FTimeLimitMs;
    Copy->FLowSpeedBytes = FLowSpeedBytes;
    Copy->FLowSpeedSeconds = FLowSpeedSeconds;
    Copy->FCookiesEnabled = FCookiesEnabled;
    Copy->FAbortFlags = FAbortFlags;
    return Copy;
}

void TCurlTransport::SetAbortFlag(const std::atomic<bool>* Flag)
{
    FAbortFlags.clear();
    if (Flag)
        FAbortFlags.push_back(Flag);
}

bool TCurlTransport::AbortRequested() const
{
    return std::any_of(
        FAbortFlags.begin(), FAbortFlags.end(), [](const std::atomic<bool>* Flag) { return Flag->load(); });
}

void TCurlTransport::SetLowSpeedRule(int BytesPerSecond, int WindowSeconds)
{
    FLowSpeedBytes = std::max(BytesPerSecond, 0);
    FLowSpeedSeconds = std::max(WindowSeconds, 0);
    curl_easy_setopt(FEasy, CURLOPT_LOW_SPEED_LIMIT, long(FLowSpeedBytes));
    curl_easy_setopt(FEasy, CURLOPT_LOW_SPEED_TIME, long(FLowSpeedSeconds));
}

void TCurlTransport::NoteSocketActivity()
{
    const quint64 Received = FSockets->BytesReceived(FLocalPort);
    if (Received != FSocketBytes) {
        FSocketBytes = Received;
        Touch();
    }
}

TCurlTransport::~TCurlTransport() = default;

void TCurlTransport::SetProxy(const TProxySettings& Proxy)
{
    if (Proxy.Kind == TProxyKind::None) {
        curl_easy_setopt(FEasy, CURLOPT_PROXY, "");
        return;
    }
    if (Proxy.Kind == TProxyKind::Environment) {
        // No proxy string: libcurl reads the variables for every transfer.
        curl_easy_setopt(FEasy, CURLOPT_PROXY, nullptr);
        return;
    }
    const long Type = Proxy.Kind == TProxyKind::SOCKS4 ? CURLPROXY_SOCKS4
        : Proxy.Kind == TProxyKind::SOCKS5             ? CURLPROXY_SOCKS5_HOSTNAME
                                                       : CURLPROXY_HTTP;
    curl_easy_setopt(FEasy, CURLOPT_PROXY, Proxy.Host.toUtf8().constData());
    curl_easy_setopt(FEasy, CURLOPT_PROXYTYPE, Type);
    curl_easy_setopt(
        FEasy, CURLOPT_PROXYPORT, Proxy.Port > 0 && Proxy.Port <= 0xFFFF ? long(Proxy.Port) : 0L);
}

void TCurlTransport::SetUserAgent(const QString& UserAgent)
{
    curl_easy_setopt(
        FEasy, CURLOPT_USERAGENT, UserAgent.isEmpty() ? nullptr : UserAgent.toUtf8().constData());
}

void TCurlTransport::SetBoundIP(const QString& BoundIP)
{
    curl_easy_setopt(FEasy, CURLOPT_INTERFACE, BoundIP.isEmpty() ? nullptr : BoundIP.toUtf8().constData());
}

void TCurlTransport::SetVerifyTLS(bool Verify, const QString& CAFile)
{
    curl_easy_setopt(FEasy, CURLOPT_SSL_VERIFYPEER, long(Verify));
    curl_easy_setopt(FEasy, CURLOPT_SSL_VERIFYHOST, Verify ? 2L : 0L);
    curl_easy_setopt(
        FEasy, CURLOPT_CAINFO, CAFile.isEmpty() ? DefaultCAFile() : CAFile.toLocal8Bit().constData());
}

void TCurlTransport::SetConnectTimeoutMs(int Ms)
{
    curl_easy_setopt(FEasy, CURLOPT_CONNECTTIMEOUT_MS, long(std::max(Ms, 0)));
}

QList<QByteArray> TCurlTransport::CookieList() const
{
    QList<QByteArray> Lines;
    curl_slist* Cookies = nullptr;
    curl_easy_getinfo(FEasy, CURLINFO_COOKIELIST, &Cookies);
    for (curl_slist* Item = Cookies; Item; Item = Item->next)
        Lines.append(QByteArray(Item->data));
    curl_slist_free_all(Cookies);
    return Lines;
}

void TCurlTransport::SetCookieStoreEnabled(bool Enabled)
{
    if (Enabled == FCookiesEnabled)
        return;
    FCookiesEnabled = Enabled;
    if (!Enabled) {
        FStashedCookies.clear();
        curl_slist* Cookies = nullptr;
        curl_easy_getinfo(FEasy, CURLINFO_COOKIELIST, &Cookies);
        for (curl_slist* Item = Cookies; Item; Item = Item->next)
            FStashedCookies.append(QByteArray(Item->data));
        curl_slist_free_all(Cookies);
    }
    // Cookies received while the store was off are not kept.
    curl_easy_setopt(FEasy, CURLOPT_COOKIELIST, "ALL");
    if (Enabled) {
        for (const QByteArray& Cookie : std::as_const(FStashedCookies))
            curl_easy_setopt(FEasy, CURLOPT_COOKIELIST, Cookie.constData());
        FStashedCookies.clear();
    }
}

void TCurlTransport::SetupRequest(const TTransportRequest& Request)
{
    for (const QByteArray& Line : Request.HeaderLines)
        AppendHeader(FHeaders, Line);
    // Suppress what libcurl would add on its own.
    for (const char* Name : { "Accept", "Expect", "Content-Type" })
        if (!HasHeader(Request.HeaderLines, Name))
            AppendHeader(FHeaders, QByteArray(Name) + ':');
    curl_easy_setopt(FEasy, CURLOPT_HTTPHEADER, FHeaders.get());
    curl_easy_setopt(FEasy, CURLOPT_URL, Request.URL.toUtf8().constData());
    // Transfers that start together wait for the first TLS connection to a
    // host to tell whether it carries several at once. Plain HTTP never does:
    // waiting there would hold every transfer behind the one before when the
    // server keeps no connection open to tell it by.
    const bool Tls = Request.URL.startsWith(QLatin1String("https:"), Qt::CaseInsensitive);
    curl_easy_setopt(FEasy, CURLOPT_PIPEWAIT, long(Tls));
    FRequestHost = QUrl(Request.URL).host(QUrl::FullyEncoded).toLower().toUtf8();
    if (Request.PostBody) {
        const qint64 Size
            = Request.PostBody->isSequential() ? -1 : Request.PostBody->size() - Request.PostBody->pos();
        curl_easy_setopt(FEasy, CURLOPT_POST, 1L);
        curl_easy_setopt(FEasy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(Size));
    } else {
        curl_easy_setopt(FEasy, CURLOPT_HTTPGET, 1L);
    }
}

void TCurlTransport::HoldBody(long long DelayMs)
{
    const quint64 Pause = ++FRatePause->Count;
    FRatePause->Pending = Pause;
    FHub->After(DelayMs, {}, [State = FRatePause, Pause] {
        if (State->Pending != Pause)
            return; // the transfer ended meanwhile
        State->Pending = 0;
        // The body held back is handed over inside this call.
        curl_easy_pause(State->Easy, CURLPAUSE_CONT);
    });
}

TTransferEnd TCurlTransport::Check(long long& WaitMs)
{
    using namespace std::chrono;
    if (AbortRequested())
        return TTransferEnd::Aborted;
    // A callback that fails inside an unpause leaves libcurl's transfer running.
    if (FCallbackError)
        return TTransferEnd::Done;
    if (FRatePause->Pending)
        Touch(); // held back by the cap, not stalled
    const steady_clock::time_point Now = steady_clock::now();
    if (FTimeLimitMs > 0) {
        const auto Elapsed = duration_cast<milliseconds>(Now - FStart).count();
        if (Elapsed >= FTimeLimitMs)
            return TTransferEnd::TimeLimit;
        WaitMs = std::min<long long>(WaitMs, FTimeLimitMs - Elapsed);
    }
    if (FConnected && FReadTimeoutMs > 0) {
        auto Idle = duration_cast<milliseconds>(Now - FLastActivity).count();
        if (Idle >= FReadTimeoutMs / 2) {
            // Bytes may have come that libcurl holds back (part of a line):
            // the connection itself is asked only once the transfer has been
            // quiet a while, as asking costs system calls.
            NoteSocketActivity();
            Idle = duration_cast<milliseconds>(Now - FLastActivity).count();
        }
        if (Idle >= FReadTimeoutMs)
            return TTransferEnd::ReadTimeout;
        WaitMs = std::min<long long>(WaitMs, FReadTimeoutMs - Idle);
    }
    return TTransferEnd::Running;
}

void TCurlTransport::Begin(const TTransportRequest& Request)
{
    FReply = TReplyData();
    FTarget = Request.Target;
    FPostBody = Request.PostBody;
    FPostStart = FPostBody ? FPostBody->pos() : 0;
    FBodyReceived = 0;
    FHeaderBytes = 0;
    FConnected = false;
    FErrorBodyCut = false;
    FCallbackError = nullptr;
    FErrorBuffer[0] = 0;

    if (!FCookiesEnabled)
        curl_easy_setopt(FEasy, CURLOPT_COOKIELIST, "ALL"); // nothing received while off is kept
    FHeaders.reset();
    SetupRequest(Request);
}

void TCurlTransport::Launch(TTransferDone OnEnd)
{
    FPacer->Admit(FRequestHost, [this, OnEnd = std::move(OnEnd)](long long DelayMs) {
        // The host is freed before the handler may start the next pass.
        auto Go = [this, Host = FRequestHost, OnEnd] {
            Touch();
            FStart = FLastActivity;
            FHub->Start(
                FEasy, [this](long long& WaitMs) { return Check(WaitMs); },
                [this, Host, OnEnd](TTransferEnd Ended, CURLcode Result) {
                    FRatePause->Pending = 0;
                    FPacer->Release(Host);
                    OnEnd(Ended, Result);
                });
        };
        if (DelayMs > 0)
            FHub->After(
                DelayMs, [this] { return AbortRequested(); }, std::move(Go));
        else
            Go();
    });
}

void TCurlTransport::Perform(const TTransportRequest& Request)
{
    std::mutex Mutex;
    std::condition_variable Finished;
    std::optional<std::pair<TTransferEnd, CURLcode>> Ended;
    Begin(Request);
    Launch([&](TTransferEnd End, CURLcode Result) {
        // Notified under the lock: once Ended is set, this frame may go.
        const std::lock_guard<std::mutex> Lock(Mutex);
        Ended.emplace(End, Result);
        Finished.notify_one();
    });
    std::unique_lock<std::mutex> Lock(Mutex);
    Finished.wait(Lock, [&Ended] { return Ended.has_value(); });
    End(Ended->first, Ended->second);
}

void TCurlTransport::Start(const TTransportRequest& Request, TEndHandler OnEnd)
{
    Begin(Request);
    Launch([this, OnEnd = std::move(OnEnd)](TTransferEnd Ended, CURLcode Result) {
        std::exception_ptr Failure;
        try {
            End(Ended, Result);
        } catch (...) {
            Failure = std::current_exception();
        }
        OnEnd(Failure);
    });
}

void TCurlTransport::End(TTransferEnd Ended, CURLcode Result)
{
    curl_easy_setopt(FEasy, CURLOPT_HTTPHEADER, nullptr);
    FHeaders.reset();

    if (FCallbackError)
        std::rethrow_exception(FCallbackError);
    if (Ended == TTransferEnd::ReadTimeout)
        throw EReadTimeout(QStringLiteral("No data for %1 s").arg(QString::number(FReadTimeoutMs / 1000.0)));
    if (Ended == TTransferEnd::Aborted)
        throw ETransferAborted(QStringLiteral("Transfer stopped"));
    if (Ended == TTransferEnd::TimeLimit)
        throw EResponseLimitError(
            QStringLiteral("The request took longer than its limit of %1 ms").arg(FTimeLimitMs));
    if (Result != CURLE_OK && !(Result == CURLE_WRITE_ERROR && FErrorBodyCut))
        RaiseFailure(Result);
    if (!FReply.IsSuccess()) {
        const QByteArray* ContentType = FReply.Header("Content-Type");
        const QString Charset
            = ResponseCharset(ContentType ? QString::fromLatin1(*ContentType) : QString(), FReply.ErrorBody);
        throw EHTTPReplyError(FReply.Code, FReply.StatusLine, DecodeText(FReply.ErrorBody, Charset));
    }
}
