// The voice prompt dialog in a real window: the copy beside the chosen
// file, the upload and the replies (from a thread of the test's own, as the
// agent's worker gives them, and from the fake fax service over the real
// agent client), and listening and recording through ALSA's file devices,
// checked with sox and md5sum.

#include "compose/sound/qt/RecordDlg.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

#include <alsa/asoundlib.h>

#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "core/session/AgentHelp.h"
#include "core/stores/AccountConfig.h"
#include "core/tests/SessionFakes.h"
#include "core/tests/SessionSim.h"
#include "corlane/Event.h"
#include "netvoy/ClientEventListener.h"

namespace {

using sessiontest::Pairs;

const QString kSetOk = QStringLiteral("设置定制语音成功！");
const QString kSetFailed = QStringLiteral("设置定制语音失败！");

// A fake agent whose uploads start with the task id the test chooses.
class UploadingAgent : public sessiontest::FakeAgent {
public:
    int upLoadFile(long invokeId, const char* fileName) override
    {
        uploads.emplace_back(invokeId, fileName);
        return nextTaskId;
    }
    int nextTaskId = 7;
    std::vector<std::pair<long, std::string>> uploads;
};

void Deliver(sessiontest::FakeAgent& agent, const Pairs& pairs)
{
    sessiontest::DeliverFromWorker(agent, pairs);
}

QStringList StatusLines(const CRecordDlg& dialog)
{
    QStringList lines;
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("status"));
    for (int i = 0; list && i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

class RecordDlgTest : public ::testing::Test {
protected:
    RecordDlgTest()
    {
        QtTest::EnsureApplication();
        testfiles::writeFile(home_.file("account.xml"),
                             "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config>\n<Account Name=\"a\" "
                             "Default=\"yes\" FaxUser=\"8001\" FaxPassword=\"c2VjcmV0\"/>\n</Config>\n");
        AccountConfig::Close();
        EXPECT_EQ(AccountConfig::Open(home_.path()), 1);
    }
    ~RecordDlgTest() override { AccountConfig::Close(); }

    std::unique_ptr<CRecordDlg> Open(AgentPort& agent, AudioDeviceFactory devices = {},
                                     const std::string& account = "Account[0]")
    {
        if (!devices)
            devices = AlsaAudioDevices("null");
        auto dialog = std::make_unique<CRecordDlg>(RecordDlgContext{&agent, devices, account});
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    // A tone made by sox: 16-bit mono at 22050 Hz.
    std::string Tone(const std::string& name, double seconds = 0.3)
    {
        const std::string path = home_.file(name);
        EXPECT_EQ(testfiles::run("sox -n -r 22050 -c 1 -b 16 " + testfiles::quote(path) + " synth " +
                                 std::to_string(seconds) + " sine 440")
                      .status,
                  0);
        return path;
    }
    void Choose(CRecordDlg& dialog, const std::string& path)
    {
        script_.chosenFiles.push_back(ChosenFile{QString::fromStdString(path), 0});
        dialog.Button(QStringLiteral("..."))->click();
    }

    testfiles::TempDir home_;
    testfiles::ScopedEnv programDir_{"ZUVO_HOME", home_.path()};
    ScriptedPrompter::Script script_;
    ScopedPrompter prompter_{script_};
};

TEST_F(RecordDlgTest, TheChosenFileIsCopiedBesideItselfForTheFaxUser)
{
    UploadingAgent agent;
    auto dialog = Open(agent);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("传真彩铃"));
    EXPECT_TRUE(dialog->Button(QStringLiteral("录音"))->isHidden());
    EXPECT_TRUE(dialog->Button(QStringLiteral("停止"))->isHidden());
    for (const char* shown : {"...", "试听", "上传", "退出"})
        EXPECT_TRUE(dialog->Button(QString::fromUtf8(shown))->isVisible()) << shown;

    const std::string ring = Tone("ring.wav");
    Choose(*dialog, ring);
    ASSERT_EQ(script_.fileRequests.size(), 1u);
    const FileRequest& request = script_.fileRequests[0];
    EXPECT_EQ(request.filter, CRecordDlg::kWavFilter);
    EXPECT_EQ(request.defaultExtension, QStringLiteral("Wav"));
    EXPECT_EQ(request.initialPath, QStringLiteral("*.Wav"));
    // The filter's pattern takes the extension in any letter case, and only it.
    const QString pattern = ParseFileFilter(request.filter).at(0).patterns.at(0);
    for (const char* name : {"a.wav", "a.WAV", "a.Wav", "a.wAv"})
        EXPECT_TRUE(QDir::match(pattern, QString::fromUtf8(name))) << name;
    EXPECT_FALSE(QDir::match(pattern, QStringLiteral("a.wave")));

    EXPECT_EQ(dialog->Path().toStdString(), ring + ".8001");
    EXPECT_EQ(dialog->UploadName(), QStringLiteral("ring.wav.8001"));
    EXPECT_EQ(testfiles::md5sumOf(ring + ".8001"), testfiles::md5sumOf(ring));

    // Chosen again after the file changed: the copy is replaced.
    Tone("ring.wav", 0.1);
    Choose(*dialog, ring);
    EXPECT_EQ(testfiles::md5sumOf(ring + ".8001"), testfiles::md5sumOf(ring));
    QtTest::SaveScreenshot(*dialog, QStringLiteral("record-dialog"));

    // A file that cannot be read leaves no path to upload.
    Choose(*dialog, home_.file("missing.wav"));
    EXPECT_TRUE(dialog->Path().isEmpty());
    EXPECT_EQ(StatusLines(*dialog).back(), QStringLiteral("复制语音文件失败！"));
    dialog->Button(QStringLiteral("上传"))->click();
    EXPECT_TRUE(agent.uploads.empty());
}

TEST_F(RecordDlgTest, OnlyTheKeptUploadLeadsToTheRequestAndItsAnswerIsShown)
{
    UploadingAgent agent;
    auto dialog = Open(agent);
    const std::string ring = Tone("ring.wav");
    Choose(*dialog, ring);
    dialog->Button(QStringLiteral("上传"))->click();
    ASSERT_EQ(agent.uploads.size(), 1u);
    EXPECT_EQ(agent.uploads[0], std::make_pair(dialog->InvokeId(), ring + ".8001"));
    EXPECT_EQ(dialog->TaskId(), 7);
    EXPECT_EQ(StatusLines(*dialog), QStringList{QStringLiteral("正在上传... ...")});

    const std::string id = std::to_string(dialog->InvokeId());
    // Another task's end, or an event for another invoke id, changes nothing.
    Deliver(agent, {{"event", "upload-success"}, {"taskid", "8"}, {"invokeid", id}});
    Deliver(agent, {{"event", "upload-failed"}, {"taskid", "8"}, {"invokeid", id}});
    Deliver(agent, {{"event", "upload-success"}, {"taskid", "7"}, {"invokeid", id + "0"}});
    QtTest::ProcessEventsFor(100);
    EXPECT_EQ(StatusLines(*dialog).size(), 1);
    EXPECT_TRUE(script_.texts.isEmpty());
    EXPECT_TRUE(agent.requests().empty());

    Deliver(agent, {{"event", "Upload-Success"}, {"taskid", "7"}, {"invokeid", id}});
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !agent.requests().empty(); }));
    EXPECT_EQ(agent.requests().at(0), (Pairs{{"command", "validatefaxprompt"}, {"faxuser", "8001"},
                                             {"filename", "ring.wav.8001"}, {"invokeid", id}}));
    EXPECT_EQ(StatusLines(*dialog).back(), QStringLiteral("上传成功！，正在设置... ..."));

    struct Answer {
        const char* result;
        QString status;
        QString box;
    };
    const Answer answers[] = {{"SUCCESS", QStringLiteral("设置成功！"), kSetOk},
                              {"failed", QStringLiteral("设置失败！"), kSetFailed},
                              {"", QStringLiteral("设置失败！"), kSetFailed}};
    for (const Answer& answer : answers) {
        script_.texts.clear();
        Deliver(agent, {{"event", "validatefaxprompt"}, {"result", answer.result}, {"invokeid", id}});
        ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script_.texts.isEmpty(); })) << answer.result;
        EXPECT_EQ(script_.texts, QStringList{answer.box}) << answer.result;
        EXPECT_EQ(StatusLines(*dialog).back(), answer.status);
        EXPECT_TRUE(dialog->isVisible());
    }

    script_.texts.clear();
    Deliver(agent, {{"event", "upload-failed"}, {"taskid", "7"}, {"invokeid", id}});
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script_.texts.isEmpty(); }));
    EXPECT_EQ(script_.texts, QStringList{kSetFailed});
}

TEST_F(RecordDlgTest, AnUploadThatDoesNotStartAndARequestThatCannotGoSaySo)
{
    UploadingAgent agent;
    agent.nextTaskId = 0;
    auto dialog = Open(agent);
    // No file yet: nothing is uploaded.
    dialog->Button(QStringLiteral("上传"))->click();
    EXPECT_TRUE(agent.uploads.empty());
    Choose(*dialog, Tone("ring.wav"));
    dialog->Button(QStringLiteral("上传"))->click();
    EXPECT_EQ(StatusLines(*dialog), QStringList{QStringLiteral("Upload Failed!")});

    agent.nextTaskId = 3;
    agent.invokeResult = 0;
    dialog->Button(QStringLiteral("上传"))->click();
    Deliver(agent, {{"event", "upload-success"}, {"taskid", "3"}, {"invokeid", std::to_string(dialog->InvokeId())}});
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script_.texts.isEmpty(); }));
    EXPECT_EQ(script_.texts, QStringList{kSetFailed});
}

TEST_F(RecordDlgTest, WithoutACurrentAccountTheDialogEndsAndListensToNothing)
{
    UploadingAgent agent;
    CRecordDlg dialog(RecordDlgContext{&agent, AlsaAudioDevices("null"), ""});
    EXPECT_TRUE(agent.listeners().empty());
    QTimer::singleShot(5000, &dialog, &QDialog::accept);  // a bound, should the dialog stay
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    CRecordDlg missing(RecordDlgContext{&agent, AlsaAudioDevices("null"), "Account[4]"});
    EXPECT_TRUE(agent.listeners().empty());
    {
        CRecordDlg present(RecordDlgContext{&agent, AlsaAudioDevices("null"), "Account[0]"});
        EXPECT_EQ(agent.listeners().size(), 1u);
    }
    EXPECT_TRUE(agent.listeners().empty());
}

TEST_F(RecordDlgTest, ListeningPlaysTheFilesSamplesToTheDevice)
{
    UploadingAgent agent;
    const std::string tap = home_.file("tap.wav");
    auto dialog = Open(agent, AlsaAudioDevices("file:'" + tap + "',wav"));
    const std::string ring = Tone("ring.wav", 0.25);
    Choose(*dialog, ring);
    dialog->Button(QStringLiteral("试听"))->click();
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !dialog->Pipe().IsPlaying(); }, 10000));
    dialog->Pipe().StopPlay();
    const std::string samples = testfiles::run("soxi -s " + testfiles::quote(ring)).output;
    const int n = std::stoi(samples);
    ASSERT_GT(n, 0);
    const std::string source = testfiles::run("sox " + testfiles::quote(ring) + " -t raw - | md5sum").output;
    const std::string played = testfiles::run("sox " + testfiles::quote(tap) + " -t raw - trim 0 " +
                                              std::to_string(n) + "s | md5sum")
                                   .output;
    EXPECT_EQ(played, source);
}

TEST_F(RecordDlgTest, RecordingTakesTheCaptureDevicesSoundIntoAWav)
{
    // A capture device that reads a sox tone, through an .asoundrc of the test's HOME.
    const std::string tone = home_.file("tone.raw");
    ASSERT_EQ(testfiles::run("sox -n -r 22050 -c 1 -b 16 -e signed -t raw " + testfiles::quote(tone) +
                             " synth 2 sine 300")
                  .status,
              0);
    testfiles::writeFile(home_.file(".asoundrc"), "pcm.zuvotone { type file slave.pcm null file \"/dev/null\" "
                                                  "infile \"" + tone + "\" format raw }\n");
    testfiles::ScopedEnv home("HOME", home_.path());
    // ALSA reads its configuration once per process: forget what earlier
    // tests loaded, so that the next stream reads this HOME's .asoundrc.
    snd_config_update_free_global();
    UploadingAgent agent;
    auto dialog = Open(agent, AlsaAudioDevices("zuvotone"));
    const std::string rec = home_.file("rec.wav");
    dialog->findChild<QLineEdit*>(QStringLiteral("path"))->setText(QString::fromStdString(rec));
    dialog->Button(QStringLiteral("录音"))->click();
    ASSERT_TRUE(dialog->Pipe().IsRecording());
    EXPECT_FALSE(dialog->Button(QStringLiteral("试听"))->isEnabled());
    EXPECT_FALSE(dialog->Button(QStringLiteral("上传"))->isEnabled());
    EXPECT_TRUE(dialog->Button(QStringLiteral("停止"))->isEnabled());
    QtTest::ProcessEventsFor(300);
    dialog->Button(QStringLiteral("停止"))->click();
    EXPECT_FALSE(dialog->Pipe().IsRecording());
    EXPECT_TRUE(dialog->Button(QStringLiteral("试听"))->isEnabled());
    EXPECT_TRUE(dialog->Button(QStringLiteral("上传"))->isEnabled());

    std::string format;
    for (const char* field : {"-r", "-c", "-b"})
        format += testfiles::run(std::string("soxi ") + field + " " + testfiles::quote(rec)).output;
    EXPECT_EQ(format, "22050\n1\n16\n");
    // The recording starts with the tone.
    const std::string recorded = testfiles::run("sox " + testfiles::quote(rec) + " -t raw - | head -c 2000 | md5sum").output;
    const std::string expected = testfiles::run("head -c 2000 " + testfiles::quote(tone) + " | md5sum").output;
    EXPECT_EQ(recorded, expected);
}

// ---- against the fake fax service ------------------------------------------

TEST_F(RecordDlgTest, TheServiceGetsTheCopyAndTheRequestNamesIt)
{
    const std::string uploads = home_.file("uploads");
    ASSERT_EQ(testfiles::run("mkdir " + testfiles::quote(uploads)).status, 0);
    sessiontest::FaxServiceSim server(R"({"upload_dir": ")" + uploads + R"("})", home_.path());
    AgentHelp* help = AgentHelp::getInstance();
    help->clearArgs();
    ASSERT_EQ(help->connect("127.0.0.1", server.port()), 1);
    help->run();

    auto dialog = Open(*help);
    const std::string ring = Tone("ring.wav");
    Choose(*dialog, ring);
    dialog->Button(QStringLiteral("上传"))->click();
    ASSERT_GE(dialog->TaskId(), 1);
    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return !script_.texts.isEmpty(); }, 15000)) << StatusLines(*dialog).join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(script_.texts, QStringList{kSetOk});
    EXPECT_EQ(StatusLines(*dialog), (QStringList{QStringLiteral("正在上传... ..."), QStringLiteral("上传成功！，正在设置... ..."),
                                                  QStringLiteral("设置成功！")}));
    QtTest::SaveScreenshot(*dialog, QStringLiteral("record-dialog-uploaded"));
    dialog.reset();
    help->stop();

    const std::string copyMd5 = testfiles::md5sumOf(ring + ".8001");
    EXPECT_EQ(testfiles::md5sumOf(uploads + "/ring.wav.8001"), copyMd5);
    EXPECT_NE(testfiles::readFile(server.LogPath()).find("\"md5\": \"" + copyMd5 + "\""), std::string::npos);
    const std::vector<sessiontest::WireLine> requests = server.Requests("validatefaxprompt");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].bytes, "command=validatefaxprompt|faxuser=8001|filename=ring.wav.8001|invokeid=" +
                                     requests[0].get("invokeid") + "|");
}

} // namespace
