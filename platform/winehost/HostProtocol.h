#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/winehost/WireReader.h"
#include "platform/winehost/WireWriter.h"

// The wire protocol between the Wine client (platform/wine) and winehost.exe,
// written once: each operation below declares its request and its reply, and
// both sides encode and decode them through the templates at the end of this
// file. Adding a field is one edit of a WIRE_FIELDS list; adding an
// operation is one line in TOLVANIRE_HOST_OPS, one call type here and one
// line in CHostServer's dispatch.
//
// Every message is a frame: a 32-bit little-endian payload length, then the
// payload. A request payload is the 32-bit operation code and the request's
// fields; a reply payload is the 32-bit Windows error code of the call and
// the reply's fields (present, with their empty values, even when the call
// failed). Integers are little-endian; a string is a 32-bit byte count
// followed by the bytes; a list is a 32-bit count followed by its items; a
// flag is a 32-bit 0 or 1. Requests are answered in order, one reply per
// request, except the operations whose call type has kReplies = false; the
// reply to a bulk call may come after progress frames (see Limit). A reply
// with bytes missing or left over is a broken stream.
//
// On start the host sends one frame before reading anything: kHostMagic,
// kProtocolVersion and the native processor architecture. Every text on
// the wire (registry names and data, paths, command lines) is UTF-8.

namespace platform::wire {

constexpr uint32_t kHostMagic = 0x484C4F54; // "TOLH"
constexpr uint32_t kProtocolVersion = 9;
// A frame larger than this is a broken stream, not a message.
constexpr uint32_t kMaxFrameSize = 512u * 1024u * 1024u;

// The "want" flags of OpenKey and CreateKey.
constexpr uint32_t kWantSnapshot = 1;
constexpr uint32_t kWantChildren = 2;

// name, code
#define TOLVANIRE_HOST_OPS(X)                                                                                          \
    X(OpenKey, 1)                                                                                                      \
    X(EnumKey, 2)                                                                                                      \
    X(QueryValue, 3)                                                                                                   \
    X(QueryValueCount, 4)                                                                                              \
    X(EnumValue, 5)                                                                                                    \
    X(DeleteKey, 6)                                                                                                    \
    X(DeleteValue, 7)                                                                                                  \
    X(CloseKey, 8)                                                                                                     \
    X(CreateKey, 9)                                                                                                    \
    X(SetValue, 10)                                                                                                    \
    X(ReadChildren, 11)                                                                                                \
    X(ExpandEnvironment, 21)                                                                                           \
    X(InstallerKnowsProduct, 22)                                                                                       \
    X(ListFolder, 30)                                                                                                  \
    X(ListTree, 31)                                                                                                    \
    X(GetAttributes, 32)                                                                                               \
    X(DeleteFile, 33)                                                                                                  \
    X(SetOwnerWriteOnly, 34)                                                                                           \
    X(RemoveFolderAndEmptyParents, 35)                                                                                 \
    X(CreationTime, 36)                                                                                                \
    X(SpecialFolder, 37)                                                                                               \
    X(CreateFolder, 38)                                                                                                \
    X(WriteFile, 39)                                                                                                   \
    X(SetAttributes, 40)                                                                                               \
    X(UnixPath, 41)                                                                                                    \
    X(ModificationTime, 42)                                                                                            \
    X(ExtractIcon, 43)                                                                                                 \
    X(FinalPath, 44)                                                                                                   \
    X(RemoveFolder, 45)                                                                                                \
    X(RunStart, 50)                                                                                                    \
    X(RunPoll, 51)                                                                                                     \
    X(Start, 60)                                                                                                       \
    X(RunWindows, 61)                                                                                                  \
    X(Quit, 99)                                                                                                        \
    X(Stat, 70)                                                                                                        \
    X(MoveEntry, 71)                                                                                                   \
    X(SetTimes, 72)                                                                                                    \
    X(FreeSpace, 73)                                                                                                   \
    X(HostFolderPath, 74)                                                                                              \
    X(MovePaths, 75)                                                                                                   \
    X(RunningImages, 62)

enum class Op : uint32_t {
#define TOLVANIRE_OP_ENUM(name, code) name = code,
    TOLVANIRE_HOST_OPS(TOLVANIRE_OP_ENUM)
#undef TOLVANIRE_OP_ENUM
};

// The name of an operation for messages ("?" for an unknown code).
const char* OpName(Op op);
// Every operation, in the order of TOLVANIRE_HOST_OPS.
std::vector<Op> AllOps();

// How the client knows that its host lives: a host that sends no byte for
// the connection's silence limit (CWineHostConnection::Limits) is taken for
// hung, whatever the call. A short call touches one key or one file and
// answers well within it. A bulk call reads a whole key tree, a folder tree
// or a batch of texts, which may take minutes, so while the host works on
// it, it sends a progress frame every kProgressMs: an empty frame, which no
// reply can be. A short call gets none, so that one stuck in the host is
// found as a silent host is.
enum class Limit { Short, Bulk };
constexpr int kProgressMs = 1000;

// The fields of a request or reply, in wire order.
#define WIRE_FIELDS(...)                                                                                               \
    template <class V> void Fields(V&& visit) {                                                                        \
        visit(__VA_ARGS__);                                                                                            \
    }                                                                                                                  \
    template <class V> void Fields(V&& visit) const {                                                                  \
        visit(__VA_ARGS__);                                                                                            \
    }

struct NoFields {
    template <class V> void Fields(V&&) {}
    template <class V> void Fields(V&&) const {}
};

// What the host read from a freshly opened key. A part is only sent when it
// was read completely (the enumeration ended with "no more items"); otherwise
// the client forwards the calls for that part, which then fail exactly as
// Windows makes them fail (for example without the access right).
struct KeySnapshot {
    struct Value {
        std::string name;
        uint32_t type = 0;
        std::string data;
        WIRE_FIELDS(name, type, data)
    };
    bool hasValues = false;
    std::vector<Value> values;
    bool hasSubKeys = false;
    std::vector<std::string> subKeys;
    WIRE_FIELDS(hasValues, values, hasSubKeys, subKeys)
};

// The frame the host sends before its first request.
struct Greeting {
    uint32_t magic = kHostMagic;
    uint32_t version = kProtocolVersion;
    uint32_t architecture = 0; // the native processor architecture
    WIRE_FIELDS(magic, version, architecture)
};

// One subkey read with its parent: the status of opening it and its values.
struct ChildSnapshot {
    uint32_t status = 0;
    KeySnapshot snapshot;
    WIRE_FIELDS(status, snapshot)
};

// ---------------------------------------------------------------------------
// The operations. Each names its code, its time limit, its request and its
// reply.

template <Op op, Limit limit, class RequestType, class ReplyType, bool replies = true> struct Call {
    static constexpr Op kOp = op;
    static constexpr Limit kLimit = limit;
    static constexpr bool kReplies = replies;
    using Request = RequestType;
    using Reply = ReplyType;
};

struct PathRequest {
    std::string path;
    WIRE_FIELDS(path)
};
struct KeyRequest {
    RegKey key = 0;
    WIRE_FIELDS(key)
};
struct IndexRequest {
    RegKey key = 0;
    uint32_t index = 0;
    uint32_t bufferSize = 0;
    WIRE_FIELDS(key, index, bufferSize)
};
struct OpenRequest {
    Hive hive = Hive::CurrentUser;
    std::string subKey;
    uint32_t access = 0;
    uint32_t want = 0; // kWant* flags
    WIRE_FIELDS(hive, subKey, access, want)
};
// With kWantSnapshot the reply carries a KeySnapshot so that the client can
// answer EnumKey, QueryValue, QueryValueCount and EnumValue without further
// round trips; with kWantChildren too it may carry the values of every
// subkey, one per name of the snapshot (hasChildren: the host read names and
// values at once).
struct OpenReply {
    RegKey key = 0;
    KeySnapshot snapshot;
    bool hasChildren = false;
    std::vector<ChildSnapshot> children;
    WIRE_FIELDS(key, snapshot, hasChildren, children)
};
struct NameReply {
    std::string name;
    WIRE_FIELDS(name)
};
struct CountReply {
    uint32_t count = 0;
    WIRE_FIELDS(count)
};
struct TimeReply {
    uint64_t fileTime = 0;
    WIRE_FIELDS(fileTime)
};

namespace calls {

using OpenKey = Call<Op::OpenKey, Limit::Bulk, OpenRequest, OpenReply>;
using CreateKey = Call<Op::CreateKey, Limit::Short, OpenRequest, OpenReply>;
using EnumKey = Call<Op::EnumKey, Limit::Short, IndexRequest, NameReply>;
struct QueryValueRequest {
    RegKey key = 0;
    std::string valueName;
    uint32_t bufferSize = 0;
    WIRE_FIELDS(key, valueName, bufferSize)
};
struct QueryValueReply {
    uint32_t type = 0;
    std::string data;
    WIRE_FIELDS(type, data)
};
using QueryValue = Call<Op::QueryValue, Limit::Short, QueryValueRequest, QueryValueReply>;
using QueryValueCount = Call<Op::QueryValueCount, Limit::Short, KeyRequest, CountReply>;
struct EnumValueReply {
    std::string name;
    uint32_t type = 0;
    WIRE_FIELDS(name, type)
};
using EnumValue = Call<Op::EnumValue, Limit::Short, IndexRequest, EnumValueReply>;
struct DeleteKeyRequest {
    Hive hive = Hive::CurrentUser;
    std::string subKey;
    WIRE_FIELDS(hive, subKey)
};
using DeleteKey = Call<Op::DeleteKey, Limit::Short, DeleteKeyRequest, NoFields>;
struct ValueNameRequest {
    RegKey key = 0;
    std::string valueName;
    WIRE_FIELDS(key, valueName)
};
using DeleteValue = Call<Op::DeleteValue, Limit::Short, ValueNameRequest, NoFields>;
using CloseKey = Call<Op::CloseKey, Limit::Short, KeyRequest, NoFields, false>;
struct SetValueRequest {
    RegKey key = 0;
    std::string valueName;
    uint32_t type = 0;
    std::string data;
    WIRE_FIELDS(key, valueName, type, data)
};
using SetValue = Call<Op::SetValue, Limit::Short, SetValueRequest, NoFields>;
// Opens each named subkey of a key with the given access, reads its values
// and closes it again.
struct ReadChildrenRequest {
    Hive hive = Hive::CurrentUser;
    std::string path;
    uint32_t access = 0;
    std::vector<std::string> names;
    WIRE_FIELDS(hive, path, access, names)
};
struct ReadChildrenReply {
    std::vector<ChildSnapshot> children; // one per name
    WIRE_FIELDS(children)
};
using ReadChildren = Call<Op::ReadChildren, Limit::Bulk, ReadChildrenRequest, ReadChildrenReply>;

struct TextsRequest {
    std::vector<std::string> texts;
    WIRE_FIELDS(texts)
};
// UTF-8 texts expanded with the host's environment, which is the target's.
using ExpandEnvironment = Call<Op::ExpandEnvironment, Limit::Bulk, TextsRequest, TextsRequest>;
struct ProductRequest {
    std::string productCode;
    WIRE_FIELDS(productCode)
};
struct KnownReply {
    bool known = false;
    WIRE_FIELDS(known)
};
using InstallerKnowsProduct = Call<Op::InstallerKnowsProduct, Limit::Short, ProductRequest, KnownReply>;

struct ListRequest {
    std::string path;
    uint32_t flags = 0;
    WIRE_FIELDS(path, flags)
};
struct ListFolderReply {
    std::vector<FileEntry> entries;
    WIRE_FIELDS(entries)
};
using ListFolder = Call<Op::ListFolder, Limit::Bulk, ListRequest, ListFolderReply>;
struct ListTreeReply {
    std::vector<TreeEntry> entries;
    WIRE_FIELDS(entries)
};
using ListTree = Call<Op::ListTree, Limit::Bulk, ListRequest, ListTreeReply>;
struct AttributesReply {
    uint32_t attributes = kInvalidAttributes;
    WIRE_FIELDS(attributes)
};
using GetAttributes = Call<Op::GetAttributes, Limit::Short, PathRequest, AttributesReply>;
using DeleteFile = Call<Op::DeleteFile, Limit::Short, PathRequest, NoFields>;
using SetOwnerWriteOnly = Call<Op::SetOwnerWriteOnly, Limit::Short, PathRequest, NoFields>;
using RemoveFolderAndEmptyParents = Call<Op::RemoveFolderAndEmptyParents, Limit::Short, PathRequest, NoFields>;
using CreationTime = Call<Op::CreationTime, Limit::Short, PathRequest, TimeReply>;
using ModificationTime = Call<Op::ModificationTime, Limit::Short, PathRequest, TimeReply>;
struct SpecialFolderRequest {
    int32_t csidl = 0;
    WIRE_FIELDS(csidl)
};
struct PathReply {
    std::string path;
    WIRE_FIELDS(path)
};
using SpecialFolder = Call<Op::SpecialFolder, Limit::Short, SpecialFolderRequest, PathReply>;
using CreateFolder = Call<Op::CreateFolder, Limit::Short, PathRequest, NoFields>;
struct WriteFileRequest {
    std::string path;
    std::string content;
    WIRE_FIELDS(path, content)
};
using WriteFile = Call<Op::WriteFile, Limit::Short, WriteFileRequest, NoFields>;
struct SetAttributesRequest {
    std::string path;
    uint32_t attributes = 0;
    WIRE_FIELDS(path, attributes)
};
using SetAttributes = Call<Op::SetAttributes, Limit::Short, SetAttributesRequest, NoFields>;
// The Linux path Wine maps a Windows path to; kErrorPathNotFound outside Wine.
using UnixPath = Call<Op::UnixPath, Limit::Short, PathRequest, PathReply>;
struct ExtractIconRequest {
    std::string path;
    int32_t index = 0;
    uint32_t size = 0;
    WIRE_FIELDS(path, index, size)
};
struct ExtractIconReply {
    IconImage image;
    WIRE_FIELDS(image)
};
using ExtractIcon = Call<Op::ExtractIcon, Limit::Short, ExtractIconRequest, ExtractIconReply>;
struct StatReply {
    FileStat stat;
    WIRE_FIELDS(stat)
};
using Stat = Call<Op::Stat, Limit::Short, PathRequest, StatReply>;
struct MoveRequest {
    std::string from;
    std::string to;
    WIRE_FIELDS(from, to)
};
// A move between volumes copies the file within the call: a large file
// takes long, so the host keeps the line alive.
using MoveEntry = Call<Op::MoveEntry, Limit::Bulk, MoveRequest, StatReply>;
// What a client that renames on the Linux side needs for a move: the Linux
// paths of both ends (empty where Wine maps none, and outside Wine) and the
// status of what moves, with the status of asking for it.
struct MovePathsReply {
    std::string from;
    std::string to;
    uint32_t statStatus = 0;
    FileStat stat;
    WIRE_FIELDS(from, to, statStatus, stat)
};
using MovePaths = Call<Op::MovePaths, Limit::Short, MoveRequest, MovePathsReply>;
struct SetTimesRequest {
    std::string path;
    uint64_t creationTime = 0;
    uint64_t writeTime = 0;
    WIRE_FIELDS(path, creationTime, writeTime)
};
using SetTimes = Call<Op::SetTimes, Limit::Short, SetTimesRequest, NoFields>;
struct SizeReply {
    uint64_t bytes = 0;
    WIRE_FIELDS(bytes)
};
using FreeSpace = Call<Op::FreeSpace, Limit::Short, PathRequest, SizeReply>;
using HostFolderPath = Call<Op::HostFolderPath, Limit::Short, PathRequest, PathReply>;
// The Wine client resolves paths and removes folders on the Linux side,
// where Wine's links really are; a host in the client's own process (the
// tests') has no Linux side, so there these two go to the host.
using FinalPath = Call<Op::FinalPath, Limit::Short, PathRequest, PathReply>;
using RemoveFolder = Call<Op::RemoveFolder, Limit::Short, PathRequest, NoFields>;
// Runs a command line as stored (UTF-8) and waits for the whole uninstaller
// (ISystem::RunAndWatch) on a thread of the host, one wait per host; a
// failed start is a reply with started false. The client then polls the
// wait until it is done, and may stop it.
struct RunRequest {
    std::string commandLine;
    WIRE_FIELDS(commandLine)
};
struct RunStartReply {
    bool started = false;
    uint32_t startError = 0;
    RunProgress progress; // the first report, when it started
    WIRE_FIELDS(started, startError, progress)
};
using RunStart = Call<Op::RunStart, Limit::Short, RunRequest, RunStartReply>;
struct RunPollRequest {
    // How long the host may wait before it answers, unless the wait ends
    // or its first process ends meanwhile.
    uint32_t waitMs = 0;
    bool stop = false;
    WIRE_FIELDS(waitMs, stop)
};
struct RunPollReply {
    bool done = false;
    bool stopped = false;  // once done: RunOutcome::stopped
    uint32_t exitCode = 0; // once done: RunOutcome::exitCode
    RunProgress progress;
    WIRE_FIELDS(done, stopped, exitCode, progress)
};
using RunPoll = Call<Op::RunPoll, Limit::Short, RunPollRequest, RunPollReply>;
// Starts a command line without waiting for it (ISystem::Start), on the
// platform's own host: it answers at once.
struct StartReply {
    bool started = false;
    uint32_t startError = 0;
    WIRE_FIELDS(started, startError)
};
using Start = Call<Op::Start, Limit::Short, RunRequest, StartReply>;
// The visible windows of a running uninstaller (ISystem::RunWindows), on
// the platform's own host, whichever host waits for the uninstaller.
struct RunWindowsRequest {
    std::string commandLine;
    bool raise = false;
    WIRE_FIELDS(commandLine, raise)
};
struct RunWindowsReply {
    uint32_t count = 0;
    WIRE_FIELDS(count)
};
using RunWindows = Call<Op::RunWindows, Limit::Short, RunWindowsRequest, RunWindowsReply>;
// The program files of the running processes (ISystem::RunningImages).
struct RunningImagesReply {
    std::vector<std::string> paths;
    WIRE_FIELDS(paths)
};
using RunningImages = Call<Op::RunningImages, Limit::Short, NoFields, RunningImagesReply>;
// Ends the host after the reply.
using Quit = Call<Op::Quit, Limit::Short, NoFields, NoFields>;

} // namespace calls

// ---------------------------------------------------------------------------
// The codec. Plain values are written by WireWriter/WireReader; lists item by
// item; records through their field lists.

inline void Put(WireWriter& out, uint32_t value) {
    out.U32(value);
}
inline void Put(WireWriter& out, uint64_t value) {
    out.U64(value);
}
inline void Put(WireWriter& out, int32_t value) {
    out.U32(static_cast<uint32_t>(value));
}
inline void Put(WireWriter& out, bool value) {
    out.U32(value ? 1 : 0);
}
inline void Put(WireWriter& out, Hive value) {
    out.U32(static_cast<uint32_t>(value));
}
inline void Put(WireWriter& out, const std::string& value) {
    out.Bytes(value);
}
inline void Get(WireReader& in, uint32_t* value) {
    *value = in.U32();
}
inline void Get(WireReader& in, uint64_t* value) {
    *value = in.U64();
}
inline void Get(WireReader& in, int32_t* value) {
    *value = static_cast<int32_t>(in.U32());
}
inline void Get(WireReader& in, bool* value) {
    const uint32_t flag = in.U32();
    if (flag > 1) in.Fail();
    *value = flag == 1;
}
inline void Get(WireReader& in, Hive* value) {
    *value = static_cast<Hive>(in.U32());
}
inline void Get(WireReader& in, std::string* value) {
    *value = in.Bytes();
}

// The platform's own records, which carry no field lists of their own.
void Put(WireWriter& out, const FileEntry& value);
void Get(WireReader& in, FileEntry* value);
void Put(WireWriter& out, const TreeEntry& value);
void Get(WireReader& in, TreeEntry* value);
void Put(WireWriter& out, const FileStat& value);
void Get(WireReader& in, FileStat* value);
void Put(WireWriter& out, const IconImage& value);
void Get(WireReader& in, IconImage* value);
void Put(WireWriter& out, const RunProgress& value);
void Get(WireReader& in, RunProgress* value);

template <class T> void Put(WireWriter& out, const std::vector<T>& items);
template <class T> void Get(WireReader& in, std::vector<T>* items);

template <class T> auto Put(WireWriter& out, const T& value) -> decltype(value.Fields(0), void()) {
    value.Fields([&out](const auto&... fields) { (Put(out, fields), ...); });
}
template <class T> auto Get(WireReader& in, T* value) -> decltype(value->Fields(0), void()) {
    value->Fields([&in](auto&... fields) { (Get(in, &fields), ...); });
}

template <class T> void Put(WireWriter& out, const std::vector<T>& items) {
    out.U32(static_cast<uint32_t>(items.size()));
    for (const T& item : items)
        Put(out, item);
}
template <class T> void Get(WireReader& in, std::vector<T>* items) {
    items->clear();
    const uint32_t count = in.U32();
    // Each item takes at least four bytes, so a count the payload cannot
    // hold is refused before anything is reserved.
    if (count > in.Remaining() / 4) {
        in.Fail();
        return;
    }
    items->reserve(count);
    for (uint32_t i = 0; i < count && !in.Failed(); ++i) {
        T item;
        Get(in, &item);
        if (!in.Failed()) items->push_back(std::move(item));
    }
}

// A frame of one record (the greeting), and its decoding; false when the
// payload does not hold exactly that record.
template <class T> std::string EncodeFrame(const T& record) {
    WireWriter out;
    Put(out, record);
    return out.Frame();
}
template <class T> bool DecodeFrame(const std::string& payload, T* record) {
    WireReader in(payload);
    Get(in, record);
    return !in.Failed() && in.AtEnd();
}

// A request frame: the operation code, then the request's fields.
template <class C> std::string EncodeRequest(const typename C::Request& request) {
    WireWriter out;
    out.U32(static_cast<uint32_t>(C::kOp));
    Put(out, request);
    return out.Frame();
}
// The request fields that follow the operation code; false when the payload
// does not hold exactly one request.
template <class C> bool DecodeRequest(WireReader& in, typename C::Request* request) {
    Get(in, request);
    return !in.Failed() && in.AtEnd();
}
// A reply frame: the status, then the reply's fields.
template <class C> std::string EncodeReply(uint32_t status, const typename C::Reply& reply) {
    WireWriter out;
    out.U32(status);
    Put(out, reply);
    return out.Frame();
}
// False when the payload does not hold exactly one reply of this call.
template <class C> bool DecodeReply(const std::string& payload, uint32_t* status, typename C::Reply* reply) {
    WireReader in(payload);
    *status = in.U32();
    Get(in, reply);
    return !in.Failed() && in.AtEnd();
}

} // namespace platform::wire
