// The conversion's one finding, kept here so the code and its tests use the same words.
#pragma once

#include <string>
#include <string_view>

namespace orbi::convert_text {

inline constexpr std::string_view kAssetNotSavedCode = "asset-not-saved";
inline constexpr std::string_view kAssetsPathPrefix = "/assets/";

// A slot whose legacy reference names no factory sound and no file carried by the bundle.
inline std::string assetNotSavedMessage(std::string_view legacyReference) {
    std::string message = "The imported audio behind ";
    message.append(legacyReference).append(" is gone; saved as the default");
    return message;
}

}  // namespace orbi::convert_text
