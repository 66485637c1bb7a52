// FieldReader: typed member access over one JSON object, remembering what was read.
#include "documents/field_reader.hpp"

#include <algorithm>

#include "documents/document_texts.hpp"
#include "documents/envelope.hpp"

namespace orbi {

namespace dt = doctext;

FieldReader::FieldReader(const JsonValue& object, std::string basePath, DiagnosticList& diagnostics)
    : object_(object), basePath_(std::move(basePath)), diagnostics_(diagnostics) {}

const JsonValue* FieldReader::get(std::string_view key, JsonKind wanted, std::string_view description) {
    const JsonValue* value = findMember(object_, key);
    if (value == nullptr) return nullptr;
    if (value->kind() != wanted) {
        addWarning(diagnostics_, std::string(dt::kWrongType), pathOf(key),
                   std::string(dt::kExpected) + std::string(description) + std::string(dt::kKeptNotApplied));
        return nullptr;
    }
    markRead(key);
    return value;
}

std::optional<double> FieldReader::getNumber(std::string_view key) {
    const JsonValue* v = get(key, JsonKind::Number, dt::kANumber);
    if (v == nullptr) return std::nullopt;
    return v->number();
}

std::optional<std::string> FieldReader::getString(std::string_view key) {
    const JsonValue* v = get(key, JsonKind::String, dt::kAString);
    if (v == nullptr) return std::nullopt;
    return std::string(v->string());
}

std::optional<bool> FieldReader::getBool(std::string_view key) {
    const JsonValue* v = get(key, JsonKind::Boolean, dt::kTrueOrFalse);
    if (v == nullptr) return std::nullopt;
    return v->boolean();
}

const JsonValue* FieldReader::getArray(std::string_view key) { return get(key, JsonKind::Array, dt::kAnArray); }

const JsonValue* FieldReader::getObject(std::string_view key) { return get(key, JsonKind::Object, dt::kAnObject); }

const JsonValue* FieldReader::peek(std::string_view key) const { return findMember(object_, key); }

void FieldReader::markRead(std::string_view key) {
    if (!isRead(key)) readKeys_.emplace_back(key);
}

bool FieldReader::isRead(std::string_view key) const {
    return std::find(readKeys_.begin(), readKeys_.end(), key) != readKeys_.end();
}

JsonValue FieldReader::unreadMembers() const {
    JsonValue out = JsonValue::makeObject();
    if (!object_.isObject()) return out;
    std::vector<JsonMember>& members = out.editMembers();
    for (const JsonMember& m : object_.members()) {
        if (!isRead(m.key)) members.push_back(m);
    }
    return out;
}

std::optional<std::uint64_t> readSeedMember(FieldReader& reader) {
    const JsonValue* seed = reader.peek("seed");
    if (seed == nullptr) return std::nullopt;
    std::optional<std::uint64_t> value;
    if (seed->isString()) value = parseSeed(seed->string());
    if (value) {
        reader.markRead("seed");
    } else {
        addWarning(reader.diagnostics(), std::string(dt::kBadSeed), reader.pathOf("seed"), std::string(dt::kSeedIs16Hex));
    }
    return value;
}

}  // namespace orbi
