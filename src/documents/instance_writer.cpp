// Writing an instance document: members in a fixed order, then the unread members put back and
// the read number spellings restored, so a read-and-written document loses nothing it held.
#include <algorithm>

#include "documents/instance_document.hpp"

namespace orbi {

JsonValue writeInstanceDocument(const InstanceDocument& instance) {
    JsonValue out = JsonValue::makeObject();
    setMember(out, "kind", JsonValue::makeString(kInstanceKind));
    setMember(out, "spec", JsonValue::makeString(currentSpecText()));
    if (!instance.id.empty()) setMember(out, "id", JsonValue::makeString(instance.id));
    setMember(out, "plugin", JsonValue::makeString(instance.plugin));
    setMember(out, "formatVersion", JsonValue::makeNumber(instance.formatVersion));
    if (!instance.pluginVersion.empty()) setMember(out, "pluginVersion", JsonValue::makeString(instance.pluginVersion));
    setMember(out, "scope", JsonValue::makeString(instance.scope));
    if (instance.seed) setMember(out, "seed", JsonValue::makeString(formatSeed(*instance.seed)));

    std::vector<ExtensionId> extensions = instance.extensions;
    if (instance.audition && std::none_of(extensions.begin(), extensions.end(), [](const ExtensionId& id) {
            return id.name == kAuditionExtension;
        })) {
        extensions.push_back(ExtensionId{std::string(kAuditionExtension), 1});
    }
    if (!extensions.empty() || !instance.keptExtensions.empty()) {
        setMember(out, "extensions", extensionsValue(extensions, instance.keptExtensions));
    }

    if (!instance.meta.isNull()) setMember(out, "meta", instance.meta);
    if (!instance.provenance.isNull()) setMember(out, "provenance", instance.provenance);
    setMember(out, "params", memberListValue(instance.params));
    setMember(out, "state", instance.state.isNull() ? JsonValue::makeObject() : instance.state);
    if (!instance.hints.isNull()) setMember(out, "hints", instance.hints);
    if (!instance.assets.empty()) setMember(out, "assets", memberListValue(instance.assets));
    if (instance.audition) setMember(out, "audition", writeClipDocument(*instance.audition));
    if (instance.ext.isObject() && !instance.ext.members().empty()) setMember(out, "ext", instance.ext);

    overlayUnread(out, instance.unread, instance.source);
    return out;
}

}  // namespace orbi
