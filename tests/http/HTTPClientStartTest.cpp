#include "ClientTestSupport.h"

#include "support/GZipFixture.h"

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
