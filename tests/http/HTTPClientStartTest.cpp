#include "ClientTestSupport.h"

#include "support/GZipFixture.h"

#include <QThread>
#include <condition_variable>
#include <mutex>

namespace {

// StartGet, waited for: what it leaves as GetWith reports it, and whether
// its end came on another thread than the caller's.
struct StartedOutcome {
    GetOutcome Outcome;
    bool EndedElsewhere = false;
};

StartedOutcome StartWith(THTTPClient& Client, const QString& URL)
{
    StartedOutcome Started;
    QBuffer Out(&Started.Outcome.Body);
    Out.open(QIODevice::WriteOnly);
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Done = false;
    std::exception_ptr Failure;
    const Qt::HANDLE Caller = QThread::currentThreadId();
    Client.StartGet(URL, Out, Started.Outcome.ContentType, [&](std::exception_ptr AFailure) {
        const std::lock_guard<std::mutex> Lock(Mutex);
        Failure = AFailure;
        Started.EndedElsewhere = QThread::currentThreadId() != Caller;
        Done = true;
        Changed.notify_all();
    });
    std::unique_lock<std::mutex> Lock(Mutex);
    if (!Changed.wait_for(Lock, std::chrono::seconds(20), [&] { return Done; })) {
        ADD_FAILURE() << "StartGet never ended";
        std::abort(); // the handler refers to this frame
    }
    try {
        if (Failure)
            std::rethrow_exception(Failure);
    } catch (const EHTTPTransportError& Error) {
        Started.Outcome.ErrorClass = Error.ClassName();
        Started.Outcome.ErrorMessage = Error.Message();
        if (const auto* Reply = dynamic_cast<const EHTTPReplyError*>(&Error))
            Started.Outcome.ReplyCode = Reply->ErrorCode();
    }
    return Started;
}

} // namespace

// A started request runs the same passes as HTTPGet: the same body, type
// and failure, whichever way it ends.
TEST(HTTPClientStartTest, AStartedRequestEndsAsHTTPGetWould)
{
    ScriptedHttpServer Server;
    TGZipMemberFields Page;
    Page.Data = "unzipped page";
    Server.On("/plain", ScriptedReply::Ok("plain body", "text/plain"));
    Server.On("/hop1", ScriptedReply::Redirect(302, "/hop2"));
    Server.On("/hop2", ScriptedReply::Redirect(301, "/plain"));
    Server.On("/loop", ScriptedReply::Redirect(302, "/loop"));
    Server.On("/zipped",
        ScriptedReply::Status(
            200, "OK", { "Content-Type: text/html", "Content-Encoding: gzip" }, GZipMember(Page)));
    Server.On("/missing", ScriptedReply::Status(404, "Not Found", {}, "gone"));
    const std::pair<QString, QByteArray> Cases[] = {
        { "/plain", "plain body" },
        { "/hop1", "plain body" },
        { "/loop", "" },
        { "/zipped", "unzipped page" },
        { "/missing", "" },
    };
    for (const auto& [Path, Body] : Cases) {
        auto Client = MakeTestClient();
        const StartedOutcome Started = StartWith(*Client, Server.Url(Path));
        const GetOutcome Expected = GetWith(*MakeTestClient(), Server.Url(Path));
        EXPECT_TRUE(Started.EndedElsewhere) << Path.toStdString();
        EXPECT_EQ(Started.Outcome.Body, Body) << Path.toStdString();
        EXPECT_EQ(Expected.Body, Body) << Path.toStdString();
        EXPECT_EQ(Started.Outcome.ContentType, Expected.ContentType) << Path.toStdString();
        EXPECT_EQ(Started.Outcome.ErrorClass, Expected.ErrorClass) << Path.toStdString();
        EXPECT_EQ(Started.Outcome.ErrorMessage, Expected.ErrorMessage) << Path.toStdString();
        EXPECT_EQ(Started.Outcome.ReplyCode, Expected.ReplyCode) << Path.toStdString();
    }
}
