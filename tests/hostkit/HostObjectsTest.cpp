// Host-side objects of the kit: stream, queues, event list, host application, handler.
#include "hostkit/ComponentHandler.h"
#include "hostkit/HostApplication.h"
#include "hostkit/MemoryStream.h"
#include "hostkit/ParameterChanges.h"

#include "vst3sdk/helpers/ustring.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;
using hostkit::HandlerCall;

namespace {
std::vector<uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}
} // namespace

TEST(MemoryStream, ReadWriteSeekShareOnePosition) {
    auto stream = owned(new hostkit::MemoryStream());
    uint8_t data[] = {1, 2, 3, 4, 5};
    int32 n = 0;
    ASSERT_EQ(stream->write(data, 5, &n), kResultOk);
    EXPECT_EQ(n, 5);
    int64 pos = -1;
    ASSERT_EQ(stream->tell(&pos), kResultOk);
    EXPECT_EQ(pos, 5);
    ASSERT_EQ(stream->seek(1, IBStream::kIBSeekSet, &pos), kResultOk);
    uint8_t out[8] = {};
    ASSERT_EQ(stream->read(out, 8, &n), kResultOk);
    EXPECT_EQ(n, 4); // only what is there
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(stream->read(out, 8, nullptr), kResultOk); // null count is allowed
    // Writing after a seek past the end zero-fills the gap.
    ASSERT_EQ(stream->seek(2, IBStream::kIBSeekEnd, nullptr), kResultOk);
    ASSERT_EQ(stream->write(data, 1, nullptr), kResultOk);
    EXPECT_EQ(stream->data(), bytes({1, 2, 3, 4, 5, 0, 0, 1}));

    EXPECT_EQ(stream->seek(-1, IBStream::kIBSeekSet, nullptr), kInvalidArgument);
    EXPECT_EQ(stream->seek(0, 7, nullptr), kInvalidArgument);
    EXPECT_EQ(stream->read(out, -1, &n), kInvalidArgument);
    EXPECT_EQ(stream->tell(nullptr), kInvalidArgument);
}

TEST(MemoryStream, InjectedFaults) {
    struct Case {
        const char* what;
        int32_t maxChunk;
        int64_t readLimit;
        int32 firstReadCount;
        tresult secondReadResult;
    };
    const Case cases[] = {
        {"short reads", 3, -1, 3, kResultOk},
        {"reads fail after 4 bytes", -1, 4, 4, kResultFalse},
        {"reads fail at once", -1, 0, 0, kResultFalse},
    };
    for (const Case& c : cases) {
        auto stream = owned(new hostkit::MemoryStream(bytes({1, 2, 3, 4, 5, 6, 7, 8})));
        stream->setMaxChunk(c.maxChunk);
        stream->failReadsAfter(c.readLimit);
        uint8_t out[8];
        int32 n = -1;
        const tresult first = stream->read(out, 8, &n);
        EXPECT_EQ(n, c.firstReadCount) << c.what;
        EXPECT_EQ(first, c.readLimit == 0 ? kResultFalse : kResultOk) << c.what;
        EXPECT_EQ(stream->read(out, 2, &n), c.secondReadResult) << c.what;
    }

    auto stream = owned(new hostkit::MemoryStream());
    stream->failWritesAfter(3);
    uint8_t data[] = {9, 9, 9, 9, 9};
    int32 n = 0;
    EXPECT_EQ(stream->write(data, 5, &n), kResultOk);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(stream->write(data, 1, &n), kResultFalse);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(stream->data().size(), 3u);
    stream->setSeekFails(true);
    EXPECT_EQ(stream->seek(0, IBStream::kIBSeekSet, nullptr), kResultFalse);
    int64 pos = 0;
    EXPECT_EQ(stream->tell(&pos), kResultFalse);
}

TEST(ParamValueQueue, SortedPointsOverwriteAndCapacity) {
    hostkit::ParameterChanges changes(2, 3);
    int32 index = -1;
    IParamValueQueue* queue = changes.addParameterData(7, index);
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(queue->getParameterId(), 7u);
    queue->addPoint(100, 0.1, index);
    queue->addPoint(10, 0.2, index);
    EXPECT_EQ(index, 0);
    queue->addPoint(100, 0.3, index); // same offset: overwrite
    EXPECT_EQ(index, 1);
    EXPECT_EQ(queue->getPointCount(), 2);
    queue->addPoint(50, 0.4, index);
    EXPECT_EQ(queue->addPoint(60, 0.5, index), kResultFalse); // full
    int32 offset = 0;
    ParamValue value = 0;
    const int32 offsets[] = {10, 50, 100};
    const ParamValue values[] = {0.2, 0.4, 0.3};
    for (int32 i = 0; i < 3; ++i) {
        ASSERT_EQ(queue->getPoint(i, offset, value), kResultTrue);
        EXPECT_EQ(offset, offsets[i]);
        EXPECT_DOUBLE_EQ(value, values[i]);
    }
    EXPECT_EQ(queue->getPoint(3, offset, value), kResultFalse);
    EXPECT_EQ(queue->getPoint(-1, offset, value), kResultFalse);

    // The same ID gives the same queue; a third ID does not fit.
    EXPECT_EQ(changes.addParameterData(7, index), queue);
    EXPECT_TRUE(changes.add(8, 1.0));
    EXPECT_FALSE(changes.add(9, 1.0));
    EXPECT_EQ(changes.getParameterCount(), 2);
    EXPECT_EQ(changes.getParameterData(2), nullptr);
    EXPECT_EQ(changes.find(8)->getPointCount(), 1);
    changes.clear();
    EXPECT_EQ(changes.getParameterCount(), 0);
    EXPECT_EQ(changes.addParameterData(9, index)->getPointCount(), 0); // reused, emptied
}

TEST(EventList, FixedCapacity) {
    hostkit::EventList events(1);
    Event e{};
    e.type = Event::kNoteOnEvent;
    e.noteOn.pitch = 60;
    EXPECT_EQ(events.addEvent(e), kResultTrue);
    EXPECT_EQ(events.addEvent(e), kResultFalse);
    Event out{};
    ASSERT_EQ(events.getEvent(0, out), kResultTrue);
    EXPECT_EQ(out.noteOn.pitch, 60);
    EXPECT_EQ(events.getEvent(1, out), kResultFalse);
}

TEST(HostApplication, NameMessagesAndInterfaces) {
    auto host = owned(new hostkit::HostApplication(u"Studio One"));
    String128 name;
    ASSERT_EQ(host->getName(name), kResultTrue);
    EXPECT_EQ(toUtf8(name), "Studio One");
    host->setName(std::u16string(300, u'x'));
    host->getName(name);
    EXPECT_EQ(strlen16(name), 127);

    TUID messageId, listId, other;
    std::memcpy(messageId, IMessage::iid, 16);
    std::memcpy(listId, IAttributeList::iid, 16);
    std::memcpy(other, IBStream::iid, 16);
    void* obj = nullptr;
    ASSERT_EQ(host->createInstance(messageId, messageId, &obj), kResultTrue);
    auto* message = static_cast<IMessage*>(obj);
    EXPECT_EQ(message->getMessageID(), nullptr);
    message->setMessageID("TextMessage");
    EXPECT_STREQ(message->getMessageID(), "TextMessage");
    IAttributeList* attributes = message->getAttributes();
    ASSERT_NE(attributes, nullptr);
    EXPECT_EQ(attributes->setString("Text", u"hello"), kResultTrue);
    char16 text[4];
    ASSERT_EQ(attributes->getString("Text", text, sizeof text), kResultTrue);
    EXPECT_EQ(std::u16string(text), u"hel"); // size is in bytes, always terminated
    int64 i = 0;
    EXPECT_EQ(attributes->getInt("Text", i), kResultFalse); // wrong type
    attributes->setInt("n", -5);
    EXPECT_EQ(attributes->getInt("n", i), kResultTrue);
    EXPECT_EQ(i, -5);
    const char blob[] = {1, 2, 3};
    attributes->setBinary("b", blob, 3);
    const void* data = nullptr;
    uint32 size = 0;
    ASSERT_EQ(attributes->getBinary("b", data, size), kResultTrue);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::memcmp(data, blob, 3), 0);
    EXPECT_EQ(message->release(), 0u);

    ASSERT_EQ(host->createInstance(listId, listId, &obj), kResultTrue);
    static_cast<IAttributeList*>(obj)->release();
    obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(host->createInstance(other, other, &obj), kResultFalse);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(host->createInstance(messageId, listId, &obj), kResultFalse);
    EXPECT_EQ(host->createdObjects(), 2);

    ASSERT_EQ(host->queryInterface(IHostApplication::iid, &obj), kResultOk);
    static_cast<IHostApplication*>(obj)->release();
    EXPECT_EQ(host->getRefCount(), 1);
}

TEST(ComponentHandler, RecordsEveryCallInOrder) {
    auto handler = owned(new hostkit::ComponentHandler());
    IComponentHandler* h = handler.get();
    h->beginEdit(3);
    h->performEdit(3, 0.25);
    h->endEdit(3);
    h->restartComponent(kLatencyChanged | kParamValuesChanged);
    void* obj = nullptr;
    ASSERT_EQ(h->queryInterface(IComponentHandler2::iid, &obj), kResultOk);
    auto* h2 = static_cast<IComponentHandler2*>(obj);
    h2->setDirty(1);
    h2->requestOpenEditor("editor");
    h2->release();
    ASSERT_EQ(h->queryInterface(IComponentHandler3::iid, &obj), kResultOk);
    auto* h3 = static_cast<IComponentHandler3*>(obj);
    const ParamID id = 4;
    EXPECT_EQ(h3->createContextMenu(nullptr, &id), nullptr);
    h3->release();

    using K = HandlerCall::Kind;
    const std::vector<HandlerCall> expected = {
        {K::BeginEdit, 3},
        {K::PerformEdit, 3, 0.25},
        {K::EndEdit, 3},
        {K::RestartComponent, 0, 0, kLatencyChanged | kParamValuesChanged},
        {K::SetDirty, 0, 0, 1},
        {K::RequestOpenEditor, 0, 0, 0, "editor"},
        {K::CreateContextMenu, 4},
    };
    EXPECT_EQ(handler->calls(), expected);
    handler->setEditAnswer(kResultFalse);
    EXPECT_EQ(h->beginEdit(1), kResultFalse);
    EXPECT_EQ(handler->calls().size(), expected.size() + 1); // a refused edit is still recorded
    handler->clear();
    EXPECT_TRUE(handler->calls().empty());
    EXPECT_EQ(handler->getRefCount(), 1);
}
