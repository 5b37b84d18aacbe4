#include "platform/winehost/HostProtocol.h"

#include "platform/winehost/WireReader.h"
#include "platform/winehost/WireWriter.h"

namespace platform::wire {

void WriteKeySnapshot(WireWriter& writer, const KeySnapshot& snapshot) {
    writer.U32(snapshot.hasValues ? 1 : 0);
    if (snapshot.hasValues) {
        writer.U32(static_cast<uint32_t>(snapshot.values.size()));
        for (const KeySnapshot::Value& value : snapshot.values)
            writer.Bytes(value.name).U32(value.type).Bytes(value.data);
    }
    writer.U32(snapshot.hasSubKeys ? 1 : 0);
    if (snapshot.hasSubKeys) {
        writer.U32(static_cast<uint32_t>(snapshot.subKeys.size()));
        for (const std::string& name : snapshot.subKeys)
            writer.Bytes(name);
    }
}

bool ReadKeySnapshot(WireReader& reader, KeySnapshot* snapshot) {
    *snapshot = KeySnapshot();
    snapshot->hasValues = reader.U32() != 0;
    if (snapshot->hasValues) {
        const uint32_t count = reader.U32();
        for (uint32_t i = 0; i < count && !reader.Failed(); ++i) {
            KeySnapshot::Value value;
            value.name = reader.Bytes();
            value.type = reader.U32();
            value.data = reader.Bytes();
            snapshot->values.push_back(std::move(value));
        }
    }
    snapshot->hasSubKeys = reader.U32() != 0;
    if (snapshot->hasSubKeys) {
        const uint32_t count = reader.U32();
        for (uint32_t i = 0; i < count && !reader.Failed(); ++i)
            snapshot->subKeys.push_back(reader.Bytes());
    }
    return !reader.Failed();
}

} // namespace platform::wire
