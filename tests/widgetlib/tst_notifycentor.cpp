// The notification centre: delivery on the GUI thread, in send order, with a
// payload copy per receiver, from many threads at once; receivers that go
// away before delivery; nested event loops inside a handler.

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/BPNotifyCentor.h"

namespace {

constexpr uint32_t kIdA = 0x7001;
constexpr uint32_t kIdB = 0x7002;
constexpr uint32_t kIdC = 0x7003;
constexpr uint32_t kIdNobody = 0x7FFF;

struct Received {
    std::string who;
    uint32_t id = 0;
    std::vector<unsigned char> payload;
    bool onGuiThread = false;
};

// Every receiver writes what it got into one shared journal, so that the
// tests see the order across receivers.
std::vector<Received>& Journal() {
    static std::vector<Received> journal;
    return journal;
}

class Recorder : public CBPMsgReceiver {
public:
    Recorder(std::string name, std::initializer_list<uint32_t> ids) : name(std::move(name)) {
        for (uint32_t id : ids)
            RegisterMsg(id);
    }

    int ReceiveMsg(__MsgData msg) override {
        Received r;
        r.who = name;
        r.id = msg.id;
        if (msg.payload != nullptr) {
            const auto* bytes = static_cast<const unsigned char*>(msg.payload);
            r.payload.assign(bytes, bytes + msg.payloadSize);
        }
        r.onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        Journal().push_back(r);
        if (onReceive) onReceive(msg);
        return 0;
    }

    std::function<void(__MsgData&)> onReceive;

private:
    std::string name;
};

uint32_t U32(const std::vector<unsigned char>& bytes) {
    uint32_t v = 0;
    if (bytes.size() >= sizeof v) std::memcpy(&v, bytes.data(), sizeof v);
    return v;
}

void Send(uint32_t id, uint32_t value) {
    CBPNotifyCentor::instance()->SendMsg(id, 0, &value, sizeof value);
}

std::vector<std::string> Order() {
    std::vector<std::string> out;
    for (const Received& r : Journal())
        out.push_back(r.who + ":" + std::to_string(U32(r.payload)));
    return out;
}

} // namespace

class TestNotifyCentor : public QObject {
    Q_OBJECT

private slots:
    void init() { Journal().clear(); }

    void cleanup() {
        // Leave nothing queued for the next test.
        QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0));
    }

    void manyThreadsKeepEachSendersOrder() {
        constexpr int kThreads = 4;
        constexpr uint32_t kPerThread = 400;
        Recorder a("a", {kIdA});
        Recorder b("b", {kIdB});

        std::vector<std::thread> senders;
        for (int t = 0; t < kThreads; ++t) {
            senders.emplace_back([t] {
                // Alternating ids: the order must hold across ids too.
                for (uint32_t seq = 0; seq < kPerThread; ++seq)
                    Send(seq % 2 == 0 ? kIdA : kIdB, (uint32_t(t) << 16) | seq);
            });
        }
        for (std::thread& s : senders)
            s.join();

        QTRY_COMPARE_WITH_TIMEOUT(Journal().size(), std::size_t(kThreads * kPerThread), 20000);
        std::map<uint32_t, int64_t> lastSeq;
        std::map<uint32_t, int> count;
        for (const Received& r : Journal()) {
            QVERIFY(r.onGuiThread);
            const uint32_t value = U32(r.payload);
            const uint32_t thread = value >> 16;
            const uint32_t seq = value & 0xFFFF;
            QCOMPARE(r.who, std::string(seq % 2 == 0 ? "a" : "b"));
            const auto last = lastSeq.count(thread) ? lastSeq[thread] : -1;
            QVERIFY2(int64_t(seq) == last + 1, "a sender's messages arrived out of order or twice");
            lastSeq[thread] = seq;
            ++count[thread];
        }
        for (int t = 0; t < kThreads; ++t)
            QCOMPARE(count[uint32_t(t)], int(kPerThread));
    }

    void eachReceiverGetsItsOwnPayloadCopy() {
        Recorder first("first", {kIdA});
        Recorder second("second", {kIdA});
        // The first receiver scribbles over its bytes; the second must not see it.
        first.onReceive = [](__MsgData& msg) { std::memset(msg.payload, 0xEE, msg.payloadSize); };

        {
            unsigned char onSenderStack[4] = {1, 2, 3, 4};
            CBPNotifyCentor::instance()->SendMsg(kIdA, 0, onSenderStack, sizeof onSenderStack);
            std::memset(onSenderStack, 0, sizeof onSenderStack); // gone once the send returns
        }
        QTRY_COMPARE(Journal().size(), std::size_t(2));
        const std::vector<unsigned char> expected = {1, 2, 3, 4};
        QCOMPARE(Journal()[0].payload, expected);
        QCOMPARE(Journal()[1].payload, expected);
    }

    void messageWithoutPayloadHasNullPointer_data() {
        QTest::addColumn<bool>("nullPointer");
        QTest::addColumn<uint32_t>("size");
        QTest::newRow("null pointer, size 0") << true << 0u;
        QTest::newRow("null pointer, size 4") << true << 4u;
        QTest::newRow("pointer, size 0") << false << 0u;
    }

    void messageWithoutPayloadHasNullPointer() {
        QFETCH(bool, nullPointer);
        QFETCH(uint32_t, size);
        Recorder r("r", {kIdA});
        __MsgData seen;
        seen.payload = &seen;
        r.onReceive = [&seen](__MsgData& msg) { seen = msg; };
        uint32_t value = 7;
        CBPNotifyCentor::instance()->SendMsg(kIdA, 0, nullPointer ? nullptr : &value, size);
        QTRY_COMPARE(Journal().size(), std::size_t(1));
        QCOMPARE(seen.id, kIdA);
        QVERIFY(seen.payload == nullptr);
        QCOMPARE(seen.payloadSize, 0u);
        QCOMPARE(MsgPayloadU32(seen, 99u), 99u);
    }

    void receiverDestroyedBeforeDeliveryIsNeverCalled() {
        auto doomed = std::make_unique<Recorder>("doomed", std::initializer_list<uint32_t>{kIdA, kIdB});
        Recorder survivor("survivor", {kIdA});
        Send(kIdA, 1);
        Send(kIdB, 2);
        Send(kIdA, 3);
        doomed.reset(); // with three messages still queued for it
        // A new receiver at possibly the same address must not inherit them.
        auto newcomer = std::make_unique<Recorder>("newcomer", std::initializer_list<uint32_t>{kIdC});
        Send(kIdC, 4);
        QTRY_COMPARE(Journal().size(), std::size_t(3));
        QTest::qWait(20);
        const std::vector<std::string> expected = {"survivor:1", "survivor:3", "newcomer:4"};
        QCOMPARE(Order(), expected);
    }

    void receiverDestroyedByAnEarlierHandlerIsSkipped() {
        Recorder killer("killer", {kIdA});
        auto victim = std::make_unique<Recorder>("victim", std::initializer_list<uint32_t>{kIdA});
        Recorder last("last", {kIdA});
        killer.onReceive = [&victim](__MsgData&) { victim.reset(); };
        Send(kIdA, 1);
        QTRY_COMPARE(Journal().size(), std::size_t(2));
        QTest::qWait(20);
        const std::vector<std::string> expected = {"killer:1", "last:1"};
        QCOMPARE(Order(), expected);
    }

    void messageNobodyRegisteredIsDropped() {
        Send(kIdNobody, 1);
        QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0));
        Recorder late("late", {kIdNobody});
        QTest::qWait(20);
        QVERIFY(Journal().empty());
        Send(kIdNobody, 2);
        QTRY_COMPARE(Journal().size(), std::size_t(1));
        QCOMPARE(Order().front(), std::string("late:2"));
    }

    void registrationChanges_data() {
        QTest::addColumn<int>("registrations");
        QTest::addColumn<bool>("unregister");
        QTest::addColumn<int>("expectedDeliveries");
        QTest::newRow("registered once") << 1 << false << 1;
        QTest::newRow("registered twice, delivered once") << 2 << false << 1;
        QTest::newRow("unregistered before the send") << 1 << true << 0;
    }

    void registrationChanges() {
        QFETCH(int, registrations);
        QFETCH(bool, unregister);
        QFETCH(int, expectedDeliveries);
        Recorder r("r", {});
        for (int i = 0; i < registrations; ++i)
            r.RegisterMsg(kIdA);
        if (unregister) r.UnRegisterMsg(kIdA);
        Send(kIdA, 1);
        QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0));
        QTest::qWait(20);
        QCOMPARE(int(Journal().size()), expectedDeliveries);
    }

    void signalChannelIsSeparate() {
        class SigReceiver : public CBPMsgReceiver {
        public:
            int msgs = 0;
            int sigs = 0;
            int ReceiveMsg(__MsgData) override { return ++msgs, 0; }
            int ReceiveSig(__MsgData) override { return ++sigs, 0; }
        } r;
        r.RegisterSig(kIdA);
        CBPNotifyCentor::instance()->SendSig(kIdA, 0, nullptr, 0);
        CBPNotifyCentor::instance()->SendMsg(kIdA, 0, nullptr, 0);
        QTRY_COMPARE(r.sigs, 1);
        QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0));
        QCOMPARE(r.msgs, 0);
    }

    // A handler that runs a modal dialog spins a nested event loop; messages
    // queued before and during it must flow inside that loop, in order.
    void nestedEventLoopInsideAHandlerKeepsDelivering() {
        Recorder outer("outer", {kIdA});
        Recorder queuedBefore("before", {kIdC});
        Recorder sentInside("inside", {kIdB});
        bool loopFinished = false;
        outer.onReceive = [&](__MsgData&) {
            QEventLoop loop;
            sentInside.onReceive = [&loop](__MsgData&) { loop.quit(); };
            QTimer::singleShot(5000, &loop, &QEventLoop::quit);
            Send(kIdB, 2);
            loop.exec();
            Journal().push_back({"outer-end", 0, {}, true});
            loopFinished = true;
        };
        Send(kIdA, 1);
        Send(kIdC, 3);
        QTRY_VERIFY(loopFinished);
        const std::vector<std::string> expected = {"outer:1", "before:3", "inside:2", "outer-end:0"};
        QCOMPARE(Order(), expected);
    }
};

QTEST_GUILESS_MAIN(TestNotifyCentor)
#include "tst_notifycentor.moc"
