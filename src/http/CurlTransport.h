#pragma once

#include "http/CurlHandles.h"
#include "http/CurlShare.h"
#include "http/HostPacer.h"
#include "http/ProxyString.h"
#include "http/ReplyData.h"
#include "http/RequestLimits.h"
#include "http/SentCookies.h"
#include "http/SocketRegistry.h"
#include "http/TransferHub.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <atomic>
#include <chrono>
#include <curl/curl.h>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct TTransportRequest {
    QString URL;
    QList<QByteArray> HeaderLines; // "Name: value"
    QIODevice* PostBody = nullptr; // POST when set, GET otherwise
    QIODevice* Target = nullptr; // receives the body of a success reply
};

// One libcurl easy handle driven by a transfer hub (its own, or for a
// sibling the one it shares), so that the read time-out can be measured in
// milliseconds. Only http and https; no
// automatic redirects; bodies are not decoded. Connections (plain and TLS)
// are kept per scheme, host and port and reused while the server allows.
// A reply that brings less than a low-speed bound over a window of time
// fails as a read time-out. A rate cap on the host holds the body back:
// the transfer is paused (time paused is no stall) until the cap allows.
class TCurlTransport {
public:
    TCurlTransport();
    ~TCurlTransport();
    TCurlTransport(const TCurlTransport&) = delete;
    TCurlTransport& operator=(const TCurlTransport&) = delete;

    void SetProxy(const TProxySettings& Proxy);
    void SetUserAgent(const QString& UserAgent);
    void SetBoundIP(const QString& BoundIP);
    void SetConnectTimeoutMs(int Ms);
    void SetReadTimeoutMs(int Ms) { FReadTimeoutMs = Ms; }
    // Bounds on one request: the body bytes received and the time from start
    // to end (0: no time bound). Going past either raises EResponseLimitError.
    void SetMaxBodySize(qint64 Bytes) { FMaxBodySize = Bytes; }
    void SetTimeLimitMs(int Ms) { FTimeLimitMs = Ms; }
    // Off: cookies already stored are set aside and none are sent or kept
    // until it is switched on again.
    void SetCookieStoreEnabled(bool Enabled);
    // A flag that ends the running transfer at once when it turns true
    // (the run's Break); nullptr: none. AddAbortFlag adds one more.
    void SetAbortFlag(const std::atomic<bool>* Flag);
    void AddAbortFlag(const std::atomic<bool>* Flag) { FAbortFlags.push_back(Flag); }
    // Fewer than BytesPerSecond bytes a second over WindowSeconds ends the
    // transfer (0: no bound).
    void SetLowSpeedRule(int BytesPerSecond, int WindowSeconds);
    // On: each request notes which cookies of its host's it went out with
    // (Reply().SentCookies), taken from the jar as the request is sent.
    void SetRecordSentCookies(bool Record) { FRecordSentCookies = Record; }
    // On: the peer's certificate and host name are checked against CAFile
    // (the system's store when empty); a failed check raises
    // ECertificateError. Off: any certificate is taken.
    void SetVerifyTLS(bool Verify, const QString& CAFile);
    // Spaces and caps the transfers to each host, for this transport and
    // its siblings together.
    THostPacer& Pacer() { return *FPacer; }
    // The cookie jar, one Netscape-format line a cookie.
    QList<QByteArray> CookieList() const;

    // A transport with the same settings, driven by Hub.
    // Siblings share cookies and TLS sessions with this transport, and the
    // connections of their hub. Cookies already stored here are dropped:
    // siblings are made before the first request.
    std::unique_ptr<TCurlTransport> Sibling(std::shared_ptr<TTransferHub> Hub);

    // Runs one request; a reply that is not a success raises EHTTPReplyError
    // after its body has been collected (see Reply()).
    void Perform(const TTransportRequest& Request);
    // Starts one request and returns; OnEnd is told on the hub's thread how
    // it ended: what Perform would raise, or nullptr.
    using TEndHandler = std::function<void(std::exception_ptr Failure)>;
    void Start(const TTransportRequest& Request, TEndHandler OnEnd);
    const TReplyData& Reply() const { return FReply; }

private:
    static size_t OnHeader(char* Data, size_t Size, size_t Count, void* Self);
    static size_t OnBody(char* Data, size_t Size, size_t Count, void* Self);
    static size_t OnReadPost(char* Data, size_t Size, size_t Count, void* Self);
    static int OnSeekPost(void* Self, curl_off_t Offset, int Origin);
    static int OnConnected(void* Self, char*, char*, int, int);

    TCurlTransport(CURL* Easy, std::shared_ptr<TTransferHub> Hub);
    // Points the handle's callbacks and buffers at this object.
    void BindToThis();
    bool AbortRequested() const;
    // Pauses the running transfer for DelayMs (the rate cap).
    void HoldBody(long long DelayMs);
    // Counts a byte that arrived on the transfer's connection as activity,
    // also inside a header line not yet complete.
    void NoteSocketActivity();

    // Hands the prepared transfer to the hub once the pacer lets it go.
    void Launch(TTransferDone OnEnd);
    [[noreturn]] void RaiseCertificateFailure();
    // The two halves of a request around its transfer: the handle set up
    // for it, and the failure checks once it ended.
    void Begin(const TTransportRequest& Request);
    void SetupRequest(const TTransportRequest& Request);
    void End(TTransferEnd Ended, CURLcode Result);
    // The watcher of the running transfer (see TTransferWatch).
    TTransferEnd Check(long long& WaitMs);
    [[noreturn]] void RaiseFailure(CURLcode Code);
    void Touch() { FLastActivity = std::chrono::steady_clock::now(); }

    // Declared first: the handles that use them go before them.
    std::shared_ptr<TCurlShare> FShare;
    std::shared_ptr<THostPacer> FPacer;
    // Drives this transport's transfers; its multi handle's cache keeps
    // connections (per scheme, host and port) open between requests.
    std::shared_ptr<TTransferHub> FHub;
    // Keeps TLS sessions for resumption.
    TCurlEasyHandle FEasyHandle;
    CURL* FEasy = nullptr;
    char FErrorBuffer[CURL_ERROR_SIZE] = {};
    int FReadTimeoutMs = 0;
    qint64 FMaxBodySize = DefaultMaxBodySize;
    int FTimeLimitMs = DefaultRequestTimeLimitMs;
    int FLowSpeedBytes = 0;
    int FLowSpeedSeconds = 0;
    bool FCookiesEnabled = true;
    bool FRecordSentCookies = false;
    QByteArray FRequestHost; // lower case, as the jar names it
    std::vector<const std::atomic<bool>*> FAbortFlags;
    // The connection of the running transfer and the bytes received on it.
    TSocketRegistry* FSockets = nullptr;
    int FLocalPort = 0;
    quint64 FSocketBytes = 0;
    QList<QByteArray> FStashedCookies;

    // State of the running transfer.
    TCurlList FHeaders;
    TReplyData FReply;
    QIODevice* FTarget = nullptr;
    QIODevice* FPostBody = nullptr;
    qint64 FPostStart = 0;
    qint64 FBodyReceived = 0;
    qint64 FHeaderBytes = 0;
    bool FConnected = false;
    // The error body went past what is kept: the rest is not read.
    bool FErrorBodyCut = false;
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::time_point FLastActivity;
    std::exception_ptr FCallbackError;

    // The rate cap's pause of the running transfer, shared with the hub
    // timer that ends it: that timer may fire after the transfer ended or
    // this transport went. Only the hub's thread touches it.
    struct TRatePause {
        CURL* Easy;
        quint64 Count = 0;
        quint64 Pending = 0; // the pause a timer is to end; 0: none
    };
    std::shared_ptr<TRatePause> FRatePause;
};
