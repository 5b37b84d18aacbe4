#include "platform/winehost/HostServer.h"

#include <utility>
#include <vector>

#include "platform/winehost/WireReader.h"
#include "platform/winehost/WireWriter.h"

namespace platform::wire {
namespace {

// Enough for any value name and any key name in any ANSI code page.
constexpr uint32_t kNameBuffer = 32768;
// Fits nearly every name and value in one call.
constexpr uint32_t kShortBuffer = 4096;
// A snapshot bigger than this is not worth a round trip of its own: the
// client then asks for each value as it needs it.
constexpr size_t kSnapshotLimit = 8u * 1024u * 1024u;
constexpr uint32_t kValueLimit = 64u * 1024u * 1024u;
constexpr uint32_t kGeneric = 0x80000000u | 0x10000000u | 0x02000000u; // GENERIC_READ, _ALL, MAXIMUM_ALLOWED

} // namespace

CHostServer::CHostServer(IRegistry& registry, ISystem& system, IFileSystem& files, UnixPathFunction unixPath,
                         EnumValueDataFunction enumValueData, ReadChildrenFunction readChildren,
                         ReadTreeFunction readTree)
    : registry_(registry), system_(system), files_(files), unixPath_(unixPath),
      enumValueData_(std::move(enumValueData)), readChildren_(std::move(readChildren)), readTree_(std::move(readTree)) {
}

std::string CHostServer::Greeting() {
    WireWriter writer;
    writer.U32(kHostMagic).U32(kProtocolVersion).U32(system_.NativeProcessorArchitecture()).U32(system_.AnsiCodePage());
    return writer.Frame();
}

KeySnapshot CHostServer::Snapshot(RegKey key, uint32_t access, bool subKeys) {
    // Each registry call is a trip to Wine's server, so only the parts the
    // access allows are read, the common sizes are tried first and the
    // generous limits only when they do not fit.
    KeySnapshot snapshot;
    size_t total = 0;
    for (uint32_t index = 0; (access & (kKeyQueryValue | kGeneric)) != 0; ++index) {
        KeySnapshot::Value value;
        if (enumValueData_) {
            const uint32_t status = enumValueData_(key, index, &value.name, &value.type, &value.data, kValueLimit);
            if (status == kErrorNoMoreItems) {
                snapshot.hasValues = true;
                break;
            }
            total += value.name.size() + value.data.size() + 16;
            if (status != kErrorSuccess || total > kSnapshotLimit) break;
            snapshot.values.push_back(std::move(value));
            continue;
        }
        uint32_t status = registry_.EnumValue(key, index, kShortBuffer, &value.name, &value.type);
        if (status == kErrorMoreData) status = registry_.EnumValue(key, index, kNameBuffer, &value.name, &value.type);
        if (status == kErrorNoMoreItems) {
            snapshot.hasValues = true;
            break;
        }
        if (status != kErrorSuccess) break;
        // Read through the same call a direct query makes, so that a cached
        // answer is byte for byte what Windows answers.
        status = registry_.QueryValue(key, value.name, kShortBuffer, &value.type, &value.data);
        if (status == kErrorMoreData)
            status = registry_.QueryValue(key, value.name, kValueLimit, &value.type, &value.data);
        total += value.name.size() + value.data.size() + 16;
        if (status != kErrorSuccess || total > kSnapshotLimit) break;
        snapshot.values.push_back(std::move(value));
    }
    if (!snapshot.hasValues) snapshot.values.clear();
    total = 0;
    for (uint32_t index = 0; subKeys && (access & (kKeyEnumerateSubKeys | kGeneric)) != 0; ++index) {
        std::string name;
        uint32_t status = registry_.EnumKey(key, index, kShortBuffer, &name);
        if (status == kErrorMoreData) status = registry_.EnumKey(key, index, kNameBuffer, &name);
        if (status == kErrorNoMoreItems) {
            snapshot.hasSubKeys = true;
            break;
        }
        total += name.size() + 4;
        if (status != kErrorSuccess || total > kSnapshotLimit) break;
        snapshot.subKeys.push_back(std::move(name));
    }
    if (!snapshot.hasSubKeys) snapshot.subKeys.clear();
    return snapshot;
}

std::string CHostServer::Handle(const std::string& payload, bool* quit) {
    *quit = false;
    WireReader in(payload);
    WireWriter out;
    const Op op = static_cast<Op>(in.U32());
    switch (op) {
    case Op::OpenKey:
    case Op::CreateKey: {
        const Hive hive = static_cast<Hive>(in.U32());
        const std::string subKey = in.Bytes();
        const uint32_t access = in.U32();
        const uint32_t want = in.U32();
        if (in.Failed()) break;
        RegKey key = 0;
        const uint32_t status = op == Op::OpenKey ? registry_.OpenKey(hive, subKey, access, &key)
                                                  : registry_.CreateKey(hive, subKey, access, &key);
        out.U32(status).U64(key);
        KeySnapshot snapshot;
        std::vector<std::pair<uint32_t, KeySnapshot>> children;
        // The names come from the saved tree only where the open allows
        // enumerating them; otherwise EnumKey must fail as Windows fails it.
        const bool tree = status == kErrorSuccess && (want & kWantSnapshot) && (want & kWantChildren) && readTree_ &&
                          (access & (kKeyEnumerateSubKeys | kGeneric)) != 0 &&
                          readTree_(hive, subKey, access, &snapshot.subKeys, &children) &&
                          children.size() == snapshot.subKeys.size();
        if (tree) {
            std::vector<std::string> names = std::move(snapshot.subKeys);
            snapshot = Snapshot(key, access, false);
            snapshot.hasSubKeys = true;
            snapshot.subKeys = std::move(names);
        } else if (status == kErrorSuccess && (want & kWantSnapshot)) {
            snapshot = Snapshot(key, access);
        }
        WriteKeySnapshot(out, snapshot);
        if (want & kWantChildren) {
            out.U32(tree ? 1 : 0);
            if (tree) {
                out.U32(static_cast<uint32_t>(children.size()));
                for (const auto& child : children) {
                    out.U32(child.first);
                    WriteKeySnapshot(out, child.second);
                }
            }
        }
        return out.Frame();
    }
    case Op::ReadChildren: {
        const Hive hive = static_cast<Hive>(in.U32());
        const std::string path = in.Bytes();
        const uint32_t access = in.U32();
        const uint32_t count = in.U32();
        std::vector<std::string> names;
        for (uint32_t i = 0; i < count && !in.Failed(); ++i)
            names.push_back(in.Bytes());
        if (in.Failed()) break;
        out.U32(kErrorSuccess).U32(static_cast<uint32_t>(names.size()));
        std::vector<std::pair<uint32_t, KeySnapshot>> read;
        if (readChildren_ && (access & kKeyEnumerateSubKeys) == 0 && readChildren_(hive, path, access, names, &read) &&
            read.size() == names.size()) {
            for (const auto& child : read) {
                out.U32(child.first);
                WriteKeySnapshot(out, child.second);
            }
            return out.Frame();
        }
        for (const std::string& name : names) {
            RegKey key = 0;
            const uint32_t status = registry_.OpenKey(hive, path + "\\" + name, access, &key);
            out.U32(status);
            KeySnapshot snapshot;
            if (status == kErrorSuccess) {
                snapshot = Snapshot(key, access);
                registry_.CloseKey(key);
            }
            WriteKeySnapshot(out, snapshot);
        }
        return out.Frame();
    }
    case Op::EnumKey: {
        const RegKey key = in.U64();
        const uint32_t index = in.U32();
        const uint32_t bufferSize = in.U32();
        if (in.Failed()) break;
        std::string name;
        const uint32_t status = registry_.EnumKey(key, index, bufferSize, &name);
        out.U32(status).Bytes(name);
        return out.Frame();
    }
    case Op::QueryValue: {
        const RegKey key = in.U64();
        const std::string name = in.Bytes();
        const uint32_t bufferSize = in.U32();
        if (in.Failed()) break;
        uint32_t type = 0;
        std::string data;
        const uint32_t status = registry_.QueryValue(key, name, bufferSize, &type, &data);
        out.U32(status).U32(type).Bytes(data);
        return out.Frame();
    }
    case Op::QueryValueCount: {
        const RegKey key = in.U64();
        if (in.Failed()) break;
        uint32_t count = 0;
        const uint32_t status = registry_.QueryValueCount(key, &count);
        out.U32(status).U32(count);
        return out.Frame();
    }
    case Op::EnumValue: {
        const RegKey key = in.U64();
        const uint32_t index = in.U32();
        const uint32_t bufferSize = in.U32();
        if (in.Failed()) break;
        std::string name;
        uint32_t type = 0;
        const uint32_t status = registry_.EnumValue(key, index, bufferSize, &name, &type);
        out.U32(status).Bytes(name).U32(type);
        return out.Frame();
    }
    case Op::DeleteKey: {
        const Hive hive = static_cast<Hive>(in.U32());
        const std::string subKey = in.Bytes();
        if (in.Failed()) break;
        out.U32(registry_.DeleteKey(hive, subKey));
        return out.Frame();
    }
    case Op::DeleteValue: {
        const RegKey key = in.U64();
        const std::string name = in.Bytes();
        if (in.Failed()) break;
        out.U32(registry_.DeleteValue(key, name));
        return out.Frame();
    }
    case Op::CloseKey: {
        const RegKey key = in.U64();
        if (in.Failed()) break;
        registry_.CloseKey(key);
        return std::string();
    }
    case Op::SetValue: {
        const RegKey key = in.U64();
        const std::string name = in.Bytes();
        const uint32_t type = in.U32();
        const std::string data = in.Bytes();
        if (in.Failed()) break;
        out.U32(registry_.SetValue(key, name, type, data));
        return out.Frame();
    }
    case Op::AnsiToUtf8: {
        const uint32_t count = in.U32();
        std::vector<std::string> texts;
        for (uint32_t i = 0; i < count && !in.Failed(); ++i)
            texts.push_back(in.Bytes());
        if (in.Failed()) break;
        const std::vector<std::string> converted = system_.AnsiToUtf8(texts);
        out.U32(kErrorSuccess).U32(static_cast<uint32_t>(converted.size()));
        for (const std::string& text : converted)
            out.Bytes(text);
        return out.Frame();
    }
    case Op::ListFolder: {
        const std::string path = in.Bytes();
        const uint32_t flags = in.U32();
        if (in.Failed()) break;
        std::vector<FileEntry> entries;
        const uint32_t status = files_.ListFolder(path, flags, &entries);
        out.U32(status).U32(static_cast<uint32_t>(entries.size()));
        for (const FileEntry& entry : entries)
            out.Bytes(entry.name).U32(entry.attributes);
        return out.Frame();
    }
    case Op::ListTree: {
        const std::string base = in.Bytes();
        const uint32_t flags = in.U32();
        if (in.Failed()) break;
        std::vector<TreeEntry> entries;
        const uint32_t status = files_.ListTree(base, flags, &entries);
        out.U32(status).U32(static_cast<uint32_t>(entries.size()));
        for (const TreeEntry& entry : entries)
            out.U32(entry.parent).Bytes(entry.entry.name).U32(entry.entry.attributes);
        return out.Frame();
    }
    case Op::GetAttributes: {
        const std::string path = in.Bytes();
        if (in.Failed()) break;
        uint32_t attributes = kInvalidAttributes;
        const uint32_t status = files_.GetAttributes(path, &attributes);
        out.U32(status).U32(attributes);
        return out.Frame();
    }
    case Op::DeleteFile:
    case Op::SetOwnerWriteOnly:
    case Op::RemoveFolderAndEmptyParents:
    case Op::CreateFolder: {
        const std::string path = in.Bytes();
        if (in.Failed()) break;
        uint32_t status = kErrorInvalidParameter;
        if (op == Op::DeleteFile) status = files_.DeleteFile(path);
        if (op == Op::SetOwnerWriteOnly) status = files_.SetOwnerWriteOnly(path);
        if (op == Op::RemoveFolderAndEmptyParents) status = files_.RemoveFolderAndEmptyParents(path);
        if (op == Op::CreateFolder) status = files_.CreateFolder(path);
        out.U32(status);
        return out.Frame();
    }
    case Op::CreationTime: {
        const std::string path = in.Bytes();
        if (in.Failed()) break;
        uint64_t fileTime = 0;
        const uint32_t status = files_.CreationTime(path, &fileTime);
        out.U32(status).U64(fileTime);
        return out.Frame();
    }
    case Op::SpecialFolder: {
        const int csidl = static_cast<int>(in.U32());
        if (in.Failed()) break;
        std::string path;
        const uint32_t status = files_.SpecialFolder(csidl, &path);
        out.U32(status).Bytes(path);
        return out.Frame();
    }
    case Op::WriteFile: {
        const std::string path = in.Bytes();
        const std::string content = in.Bytes();
        if (in.Failed()) break;
        out.U32(files_.WriteFile(path, content));
        return out.Frame();
    }
    case Op::SetAttributes: {
        const std::string path = in.Bytes();
        const uint32_t attributes = in.U32();
        if (in.Failed()) break;
        out.U32(files_.SetAttributes(path, attributes));
        return out.Frame();
    }
    case Op::UnixPath: {
        const std::string path = in.Bytes();
        if (in.Failed()) break;
        const std::string linuxPath = unixPath_ ? unixPath_(path) : std::string();
        out.U32(linuxPath.empty() ? kErrorPathNotFound : kErrorSuccess).Bytes(linuxPath);
        return out.Frame();
    }
    case Op::Quit:
        *quit = true;
        out.U32(kErrorSuccess);
        return out.Frame();
    }
    // Unknown operation or truncated arguments: the stream can no longer be
    // trusted, so the host ends and the client sees it go.
    *quit = true;
    return std::string();
}

} // namespace platform::wire
