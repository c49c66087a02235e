#include "Foundation/EventLoopScheduler.h"
#include "Platform/Desktop/PasteboardDesktop.h"
#include "Platform/Desktop/WaylandClipboard.h"
#include "Platform/Desktop/WaylandConnection.h"
#include "Platform/Desktop/WaylandKeyboard.h"
#include "Platform/PasteboardTypes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>

// Real Wayland clients (wl-copy, wl-paste and a data-control owner of our own) on the private compositor of
// scripts/with-wayland. Without one, each case skips.
namespace {

constexpr int budgetMs = 1000;

bool spinUntil(const std::function<bool()>& done, int milliseconds = 5000)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class WaylandClipboardClientsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DRIMO_TEST_WAYLAND_DISPLAY"))
            GTEST_SKIP() << "no Wayland compositor";
        qputenv("WAYLAND_DISPLAY", qgetenv("DRIMO_TEST_WAYLAND_DISPLAY"));
        // A client that pastes and goes away must not take the program with it.
        std::signal(SIGPIPE, SIG_IGN);
        connection = WaylandConnection::open(budgetMs);
        ASSERT_TRUE(connection);
        clipboard = WaylandClipboard::create(*connection, scheduler, budgetMs);
        ASSERT_TRUE(clipboard);
        QObject::connect(clipboard.get(), &WaylandClipboard::changed, [this] { ++changes; });
    }

    void TearDown() override
    {
        clipboard.reset();
        for (auto& process : processes) {
            process->kill();
            process->waitForFinished();
        }
    }

    // Runs `program` to its end with `input`; its output.
    QByteArray run(const QString& program, const QStringList& arguments, const QByteArray& input = {})
    {
        QProcess process;
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        spinUntil([&] { return process.state() == QProcess::NotRunning; });
        return process.readAllStandardOutput();
    }

    // Copies with wl-copy and waits until the program hears of it.
    void copy(const QByteArray& bytes, const QString& type)
    {
        const int before = changes;
        run(QStringLiteral("wl-copy"), { QStringLiteral("--type"), type }, bytes);
        ASSERT_TRUE(spinUntil([&] { return changes > before; }));
    }

    // Starts tests/Desktop/WaylandOwner.cpp and waits until its copy is the selection.
    void own(const QStringList& arguments)
    {
        const int before = changes;
        auto process = std::make_unique<QProcess>();
        process->start(QStringLiteral(WAYLAND_OWNER), arguments);
        ASSERT_TRUE(spinUntil([&] { return process->canReadLine(); }));
        ASSERT_TRUE(spinUntil([&] { return changes > before; }));
        processes.push_back(std::move(process));
    }

    // Reads the clipboard, every offered type; what the read delivered.
    std::optional<WaylandClipboard::Contents> readAll(qint64* elapsedMs = nullptr)
    {
        bool finished = false;
        std::optional<WaylandClipboard::Contents> result;
        QElapsedTimer timer;
        timer.start();
        clipboard->read([](const QStringList& offered) { return offered; },
            [&](std::optional<WaylandClipboard::Contents> contents) {
                result = std::move(contents);
                finished = true;
            });
        EXPECT_TRUE(spinUntil([&] { return finished; }));
        if (elapsedMs)
            *elapsedMs = timer.elapsed();
        return result;
    }

    static QByteArray dataOf(const WaylandClipboard::Contents& contents, const QString& type)
    {
        for (const auto& [format, bytes] : contents.data)
            if (format == type)
                return bytes;
        return {};
    }

    EventLoopScheduler scheduler;
    std::unique_ptr<WaylandConnection> connection;
    std::unique_ptr<WaylandClipboard> clipboard;
    int changes = 0;
    std::vector<std::unique_ptr<QProcess>> processes;
};

} // namespace

TEST_F(WaylandClipboardClientsTest, ChoosesTheStagingProtocolWhereOffered)
{
    using P = WaylandClipboard::Protocol;
    EXPECT_EQ(
        WaylandClipboard::choose({ QStringLiteral("wl_seat"), QStringLiteral("zwlr_data_control_manager_v1"),
            QStringLiteral("ext_data_control_manager_v1") }),
        P::Ext);
    EXPECT_EQ(WaylandClipboard::choose({ QStringLiteral("zwlr_data_control_manager_v1") }), P::Wlr);
    EXPECT_EQ(
        WaylandClipboard::choose({ QStringLiteral("wl_seat"), QStringLiteral("wl_data_device_manager") }),
        std::nullopt);
    // sway 1.7 and KWin 5.27 offer only the wlroots protocol.
    EXPECT_EQ(clipboard->protocol(), P::Wlr);
}

// Text, pictures and bytes that are no text arrive exactly as the copying client sent them.
TEST_F(WaylandClipboardClientsTest, NativeCopiesArriveByteForByte)
{
    const std::vector<std::pair<QByteArray, QString>> copies {
        { "Привет, clipboard", QStringLiteral("text/plain;charset=utf-8") },
        { QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + QByteArray(70'000, '\x7f'),
            QStringLiteral("image/png") },
        { QByteArray("\xff\xfe not UTF-8 \xc3", 15), QStringLiteral("text/plain") },
    };
    for (const auto& [bytes, type] : copies) {
        copy(bytes, type);
        const auto contents = readAll();
        ASSERT_TRUE(contents) << type.toStdString();
        EXPECT_TRUE(contents->offered.contains(type));
        EXPECT_EQ(dataOf(*contents, type), bytes) << type.toStdString();
    }
}

// Only the chosen types are asked for; a copy marked secret shows its marker; an owner that never answers
// is given up within the budget while the event loop goes on, and a copy replaced while it is read is too.
TEST_F(WaylandClipboardClientsTest, ReadsOnlyWhatIsChosenAndGivesUpOnOwnersThatDoNotAnswer)
{
    own({ QStringLiteral("text/plain;charset=utf-8=hunter2"),
        QStringLiteral("x-kde-passwordManagerHint=secret"), QStringLiteral("text/html=<b>x</b>") });
    bool finished = false;
    std::optional<WaylandClipboard::Contents> chosen;
    clipboard->read(
        [](const QStringList&) {
            return QStringList { QStringLiteral("x-kde-passwordManagerHint"), QStringLiteral("image/png") };
        },
        [&](auto contents) {
            chosen = std::move(contents);
            finished = true;
        });
    ASSERT_TRUE(spinUntil([&] { return finished; }));
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->offered.size(), 3);
    ASSERT_EQ(chosen->data.size(), 1u);
    EXPECT_EQ(chosen->data[0].first, QStringLiteral("x-kde-passwordManagerHint"));
    EXPECT_EQ(chosen->data[0].second, "secret");

    own({ QStringLiteral("--silent"), QStringLiteral("text/plain=never sent") });
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    qint64 elapsed = 0;
    EXPECT_FALSE(readAll(&elapsed));
    EXPECT_LT(elapsed, budgetMs + 3000) << "given up once the budget is spent";
    EXPECT_GE(ticks, 5) << "the event loop waited for the owner";

    own({ QStringLiteral("--silent"), QStringLiteral("text/plain=never sent") });
    finished = false;
    std::optional<WaylandClipboard::Contents> replaced { WaylandClipboard::Contents {} };
    clipboard->read([](const QStringList& offered) { return offered; },
        [&](auto contents) {
            replaced = std::move(contents);
            finished = true;
        });
    copy("newer", QStringLiteral("text/plain"));
    ASSERT_TRUE(spinUntil([&] { return finished; }, 200));
    EXPECT_FALSE(replaced);
}

// What the program puts on the clipboard, a clearing and the writes that follow it, is served in every type
// to whoever pastes and counts as one change, not as someone else's copy; a promised type is made by a worker
// when a client first asks, once for all who ask at the same time; the primary selection is not the
// clipboard.
TEST_F(WaylandClipboardClientsTest, WritesServeEveryTypeAndCountOnce)
{
    PasteboardDesktop pasteboard(*clipboard);
    PasteboardItem item;
    item.setData(PasteboardTypes::plainText, "chosen entry");
    item.setData(PasteboardTypes::html, "<i>chosen entry</i>");
    std::atomic<int> made = 0;
    std::atomic<bool> madeOnTheMainThread = false;
    QThread* const mainThread = QThread::currentThread();
    item.promise(PasteboardTypes::tiff, std::make_shared<PromisedBytes>([&] {
        ++made;
        madeOnTheMainThread = QThread::currentThread() == mainThread;
        // Long enough for both pastes to ask while it is made.
        QThread::msleep(300);
        return QByteArray("II*\0 made late", 14);
    }));
    const long long cleared = pasteboard.clearContents();
    ASSERT_TRUE(pasteboard.writeItems({ item }));
    spinUntil([] { return false; }, 300);
    const auto types = run(QStringLiteral("wl-paste"), { QStringLiteral("--list-types") });
    EXPECT_TRUE(types.contains("text/plain;charset=utf-8")) << types.toStdString();
    EXPECT_TRUE(types.contains("text/html"));
    EXPECT_TRUE(types.contains("image/tiff"));
    EXPECT_EQ(made, 0) << "offered, not made";
    EXPECT_EQ(run(QStringLiteral("wl-paste"),
                  { QStringLiteral("--no-newline"), QStringLiteral("--type"), QStringLiteral("text/html") }),
        "<i>chosen entry</i>");
    QProcess pastes[2];
    for (auto& paste : pastes)
        paste.start(QStringLiteral("wl-paste"), { QStringLiteral("--type"), QStringLiteral("image/tiff") });
    ASSERT_TRUE(spinUntil([&] {
        return pastes[0].state() == QProcess::NotRunning && pastes[1].state() == QProcess::NotRunning;
    }));
    for (auto& paste : pastes)
        EXPECT_EQ(paste.readAllStandardOutput(), QByteArray("II*\0 made late", 14));
    EXPECT_EQ(made, 1);
    EXPECT_FALSE(madeOnTheMainThread);
    const auto own = readAll();
    ASSERT_TRUE(own);
    EXPECT_EQ(dataOf(*own, QStringLiteral("text/plain;charset=utf-8")), "chosen entry");

    run(QStringLiteral("wl-copy"), { QStringLiteral("--primary"), QStringLiteral("highlighted") });
    spinUntil([] { return false; }, 300);
    EXPECT_EQ(pasteboard.changeCount(), cleared);
    copy("someone else", QStringLiteral("text/plain"));
    EXPECT_EQ(pasteboard.changeCount(), cleared + 1);
    ASSERT_TRUE(spinUntil([&] { return pasteboard.contentsArrived(); }));
    ASSERT_EQ(pasteboard.items().size(), 1u);
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::plainText), "someone else");
}

// The paste road on Wayland: the chosen entry on the clipboard, then Ctrl+V typed through the virtual
// keyboard into a native Qt text field, which pastes it.
TEST_F(WaylandClipboardClientsTest, VirtualKeyboardPastesIntoANativeWindow)
{
    auto keyboard = WaylandKeyboard::create(*connection);
    if (qgetenv("DRIMO_TEST_COMPOSITOR") == "kwin") {
        EXPECT_FALSE(keyboard) << "KWin offers no virtual keyboard";
        return;
    }
    ASSERT_TRUE(keyboard) << "sway offers a virtual keyboard";
    QProcess field;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    field.setProcessEnvironment(environment);
    field.start(QStringLiteral(DESKTOP_CLIENT), { QStringLiteral("text"), QString(), QStringLiteral("0") });
    ASSERT_TRUE(spinUntil([&] { return field.canReadLine(); }, 10000))
        << field.readAllStandardError().toStdString();
    ASSERT_TRUE(field.readLine().startsWith("ready"));
    clipboard->write({ { QStringLiteral("text/plain;charset=utf-8"), "из истории" } });
    // A keyboard the compositor has only just heard of may lose its first key.
    QByteArray said;
    for (int attempt = 0; attempt < 3 && !said.contains("text из истории"); ++attempt) {
        keyboard->press(WaylandKeyboard::V, WaylandKeyboard::Ctrl);
        spinUntil(
            [&] {
                said += field.readAllStandardOutput();
                return said.contains("text из истории");
            },
            2000);
    }
    EXPECT_TRUE(said.contains("text из истории")) << said.toStdString();
    EXPECT_FALSE(said.contains("из историииз истории")) << "pasted twice";
    field.kill();
    field.waitForFinished();
}
