// FieldReader: takes the members of one JSON object with a type check, reports wrong types as
// warnings and remembers which keys were read, so the rest can be kept as written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/diagnostics.hpp"
#include "json/json_value.hpp"

namespace orbi {

class FieldReader {
public:
    FieldReader(const JsonValue& object, std::string basePath, DiagnosticList& diagnostics);

    // The member when it has the wanted kind (and marks it read); none when absent, and none
    // plus a "wrong-type" warning naming `description` when present with another kind.
    const JsonValue* get(std::string_view key, JsonKind wanted, std::string_view description);

    std::optional<double> getNumber(std::string_view key);
    std::optional<std::string> getString(std::string_view key);
    std::optional<bool> getBool(std::string_view key);
    const JsonValue* getArray(std::string_view key);
    const JsonValue* getObject(std::string_view key);

    // The member, unchecked and not marked.
    const JsonValue* peek(std::string_view key) const;
    void markRead(std::string_view key);
    bool isRead(std::string_view key) const;

    // Every member not marked read, in document order; an empty object when there is none.
    JsonValue unreadMembers() const;

    const JsonValue& object() const { return object_; }
    const std::string& basePath() const { return basePath_; }
    DiagnosticList& diagnostics() { return diagnostics_; }
    // basePath + "/" + the escaped key.
    std::string pathOf(std::string_view key) const { return childPath(basePath_, key); }

private:
    const JsonValue& object_;
    std::string basePath_;
    DiagnosticList& diagnostics_;
    std::vector<std::string> readKeys_;
};

// The `seed` member shared by instance and clip documents: a seed accepted by parseSeed is marked
// read; anything else present draws "bad-seed" and stays unread, so it is kept as written.
std::optional<std::uint64_t> readSeedMember(FieldReader& reader);

}  // namespace orbi
