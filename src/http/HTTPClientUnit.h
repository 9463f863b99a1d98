#pragma once

#include "containers/Object.h"
#include "containers/StringList.h"
#include "http/HTTPErrors.h"
#include "http/HostPacer.h"
#include "http/MultipartFormData.h"
#include "http/ProxyString.h"
#include "http/RequestLimits.h"
#include "http/SentCookies.h"

#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <bitset>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class THTTPClient;
class TCurlTransport;
class TTransferHub;
struct TTransportRequest;

using TRedirectEvent = std::function<void(THTTPClient* Sender, const QString& ALocation)>;
using THTTPLogEvent = std::function<void(THTTPClient* Sender, const QString& AMessage)>;
// A set of 8-bit characters.
using TCharSet = std::bitset<256>;

// The HTTP client of a run: follows redirects itself, keeps a referer chain
// and cookies, asks for and decodes gzip/deflate bodies, and keeps
// connections (plain and TLS) open between requests to the same place. A
// failure is raised, never tried again: whether to is the caller's rule. Used by one thread at a time. A body
// that is not compressed reaches the output stream as it arrives: after a
// failure the stream may hold part of it, which the caller drops.
class THTTPClient : public TObject {
public:
    THTTPClient(const QString& AProxyPort, TProxyType AProxyType, const QString& AUserAgent,
        const QString& ABoundIP, int AConnectTimeoutSec, int AReadTimeoutSec);
    ~THTTPClient() override;
    THTTPClient(const THTTPClient&) = delete; // see Sibling
    THTTPClient& operator=(const THTTPClient&) = delete;

    void SetGZipDeflate(bool Value) { FGzipDeflate = Value; }
    void SetMaxRedirects(int Value) { FMaxRedirects = Value; }
    const QString& Referer() const { return FReferer; }
    void SetReferer(const QString& Value) { FReferer = Value; }
    void SetOnRedirect(TRedirectEvent Value) { FOnRedirect = std::move(Value); }
    void SetOnRedirectLog(THTTPLogEvent Value) { FOnRedirectLog = std::move(Value); }
    void SetCustomCookie(const QString& Value) { FCustomCookie = Value; }
    // Replaces the proxy given to the constructor by that of the environment
    // (http_proxy, https_proxy, all_proxy, no_proxy).
    void UseEnvironmentProxy();
    // Ends a running request within a tenth of a second once Flag is true.
    // AddAbortFlag adds one more such flag.
    void SetAbortFlag(const std::atomic<bool>* Flag);
    void AddAbortFlag(const std::atomic<bool>* Flag);
    // A reply slower than BytesPerSecond over WindowSeconds fails as a read
    // time-out (by default LowSpeedBytesPerSecond over LowSpeedWindowSeconds).
    void SetLowSpeedRule(int BytesPerSecond, int WindowSeconds);

    // On: HTTPS certificates and host names are checked against CAFile (the
    // system's store when empty), and a failed check raises
    // ECertificateError. Off (the default): any certificate is taken.
    void SetVerifyTLS(bool Verify, const QString& CAFile = QString());
    // Waits and a rate cap per host, kept by this client and its siblings
    // together (see THostPacer); none by default.
    void SetPacing(const TPacingRules& Rules);
    // A host's own minimum gap between requests, in milliseconds.
    void SetHostDelay(const QString& Host, int Ms);

    // A client with the same settings (but no event handlers), its transfers
    // driven by Hub (run from another thread, or started there). Siblings share cookies and TLS
    // sessions, and the kept connections of their hub (at most its
    // HostConnections per host; over HTTP/2 their transfers go side by side
    // on one). Made before the first request.
    std::unique_ptr<THTTPClient> Sibling(std::shared_ptr<TTransferHub> Hub);

    void SetConnectTimeout(int ATimeoutSec);
    void SetReadTimeout(int ATimeoutSec);
    // The same in milliseconds, for callers that need finer limits.
    void SetConnectTimeoutMs(int ATimeoutMs);
    void SetReadTimeoutMs(int ATimeoutMs);
    // Bounds on every request (see RequestLimits.h): the body size, as
    // received and once decoded, and the time from start to end (0: none).
    // NoBodySizeLimit leaves the size to the output stream; a compressed
    // body still decodes to MaxDecodedBodySize at most.
    void SetMaxBodySize(qint64 ABytes);
    // The bound on a compressed body once decoded (MaxDecodedBodySize by
    // default; the body size bound applies too).
    void SetMaxDecodedSize(qint64 ABytes) { FMaxDecodedSize = ABytes; }
    void SetRequestTimeLimitMs(int ATimeoutMs);
    // Where a compressed body too large for memory waits to be decoded (the
    // system's temporary folder when empty).
    void SetTempFolder(const QString& AFolder) { FTempFolder = AFolder; }

    void SetAcceptReplies(const QList<qint16>& AAcceptReplies);
    bool IsAcceptReply(qint16 AReplyCode) const;
    // Returns the previous Accept value.
    QString SetRequestAccept(const QString& AAccept);
    bool SetRequestHeaders(const QStringList& AHeaders);
    void AddRequestHeader(const QString& AHeader);
    void ResetRequestHeaders();
    // "Name: value" lines that the first pass of each following request
    // carries, never a redirect's (an empty list: none; a sibling starts
    // without them). With If-None-Match or If-Modified-Since among them, a
    // 304 to that pass ends the request with no body and no error; with
    // Range, the request asks for no compression, so that the body's
    // offsets are those of the file.
    void SetFirstRequestHeaders(const QStringList& ALines) { FFirstRequestHeaders = ALines; }

    void HTTPGet(const QString& AURL, QIODevice& AOutStream, QString& AResponseContentType,
        bool AUpdateReferer = true, bool ANoGZipDeflate = false, int AMaxRedirects = -1);
    // The end of a request started with StartGet: what HTTPGet would raise,
    // or nullptr.
    using TRequestDone = std::function<void(std::exception_ptr AFailure)>;
    // HTTPGet that returns once the request is out: OnDone is told on the
    // hub's thread when it and its redirects are done (a failure before the
    // first request goes out is raised here). AOutStream and
    // AResponseContentType must outlast it; the client runs nothing else
    // meanwhile.
    void StartGet(
        const QString& AURL, QIODevice& AOutStream, QString& AResponseContentType, TRequestDone AOnDone);
    void HTTPPost(const QString& AURL, QIODevice& APostStream, const QString& APostContentType,
        QIODevice& AOutStream, QString& AResponseContentType, bool AUpdateReferer = true,
        bool ANoGZipDeflate = false, int AMaxRedirects = -1);
    void HTTPPost(const QString& AURL, const TStrings& APostForm, QIODevice& AOutStream,
        QString& AResponseContentType, bool AUpdateReferer = true, bool ANoGZipDeflate = false,
        int AMaxRedirects = -1);
    void HTTPPost(const QString& AURL, const TMultipartFormData& APostForm, QIODevice& AOutStream,
        QString& AResponseContentType, bool AUpdateReferer = true, bool ANoGZipDeflate = false,
        int AMaxRedirects = -1);

    // On: every request notes the cookies it went out with, kept until
    // TakeSentCookies (for a client that fetches ahead of a URL's turn).
    void SetRecordSentCookies(bool ARecord);
    // What each request sent since the last call went out with.
    QList<TSentCookies> TakeSentCookies() { return std::exchange(FSentCookies, {}); }
    // True when those requests, sent now, would carry the same cookies
    // (but those their own replies set).
    bool WouldSendSameCookies(const QList<TSentCookies>& ASent) const;

    // The absolute URL of the last request sent (after redirects).
    const QString& LastURL() const { return FCurURL; }
    // About the last reply received, until the next request.
    // Its status code (0 before any, or when the last request got none).
    int ReplyCode() const;
    QString GetResponseCharset() const;
    QString GetResponseHeader(const QString& AName) const;

    static QString NormalizeURL(const QString& AURL);
    static bool IsRedirectReply(int AReplyCode);

    static QString EncodeFormParam(const QString& AURL, const TCharSet& AUnsafeChars);
    static void EncodeRequestParams(TStrings& AStrings, const TCharSet& AUnsafeChars);
    static QString SetRequestParams(TStrings* AStrings);

private:
    THTTPClient(const THTTPClient& Model, std::unique_ptr<TCurlTransport> Transport);

    // The body and content type that the first pass of a POST sends.
    struct TPostBody {
        QIODevice* Stream;
        QString ContentType;
    };

    // The passes of one request through its redirects: each sets up a
    // request, and its end either finishes, or leads to the next pass.
    struct TPasses;
    std::shared_ptr<TPasses> MakePasses(const QString& AURL, const TPostBody* APost, QIODevice& AOutStream,
        QString& AResponseContentType, bool AUpdateReferer, bool ANoGZipDeflate, int AMaxRedirects);
    void BeginPass(TPasses& APasses, TTransportRequest& ARequest);
    // True when the request is done; raises its failure.
    bool EndPass(TPasses& APasses, const std::exception_ptr& AFailure);
    void StartPass(const std::shared_ptr<TPasses>& APasses);
    void RunPasses(const QString& AURL, const TPostBody* APost, QIODevice& AOutStream,
        QString& AResponseContentType, bool AUpdateReferer, bool ANoGZipDeflate, int AMaxRedirects);
    void PrepareRequest(QString& AURL, bool AUpdateReferer, const QString& AContentType, bool ANoGZipDeflate,
        const QStringList& AFirstPassHeaders, TTransportRequest& ARequest);
    static bool HasHeader(const QStringList& ALines, const QString& AName);
    void SetCustomHeader(const QString& AName, const QString& AValue);
    void NotifyRedirect(const QString& ALocation);
    // Runs ARequest and notes the cookies it went out with.
    void Perform(const TTransportRequest& ARequest);
    void NoteSentCookies();
    qint64 DecodedLimit() const;

    // The transport: one handle that carries the TLS, proxy and cookie state.
    std::unique_ptr<TCurlTransport> FTransport;
    bool FUsesHTTPProxy = false;
    qint64 FMaxBodySize = DefaultMaxBodySize;
    qint64 FMaxDecodedSize = MaxDecodedBodySize;
    QString FTempFolder;
    QList<TSentCookies> FSentCookies;
    // The start of the last body that was decoded (none when it came plain).
    std::optional<QByteArray> FDecodedHead;
    bool FGzipDeflate = true;
    int FMaxRedirects = 15;
    QString FReferer;
    QString FCurURL;
    TRedirectEvent FOnRedirect;
    THTTPLogEvent FOnRedirectLog;
    QString FCustomCookie;
    QList<qint16> FAcceptReplies;
    QString FAccept;
    QStringList FCustomHeaders;
    QStringList FFirstRequestHeaders;
};
