#include "MsgPackJson.h"

#include "platform/Utf8.h"

namespace pd::peer {

using nlohmann::json;

static json rawToJson(std::string_view bytes) {
    if (isValidUtf8(bytes)) {
        return std::string(bytes);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0x0F]);
    }
    return json{{"hex", hex}};
}

json toJson(msg::View v) {
    if (!v.valid() || v.isNil()) {
        return nullptr;
    }
    if (v.isBool()) {
        return *v.asBool();
    }
    if (v.isInteger()) {
        if (std::optional<std::int64_t> i = v.asInt64()) {
            return *i;
        }
        return *v.asUInt64();
    }
    if (v.isReal()) {
        return *v.asReal();
    }
    if (v.isRaw()) {
        return rawToJson(*v.asRaw());
    }
    if (v.isArray()) {
        json out = json::array();
        for (std::uint32_t i = 0; i < v.size(); ++i) {
            out.push_back(toJson(v[i]));
        }
        return out;
    }
    if (v.isMap()) {
        bool textKeys = true;
        for (std::uint32_t i = 0; i < v.size() && textKeys; ++i) {
            textKeys = v.mapKey(i).isRaw() && isValidUtf8(*v.mapKey(i).asRaw());
        }
        json out = textKeys ? json::object() : json::array();
        for (std::uint32_t i = 0; i < v.size(); ++i) {
            if (textKeys) {
                out[std::string(*v.mapKey(i).asRaw())] = toJson(v.mapValue(i));
            } else {
                out.push_back(json::array({toJson(v.mapKey(i)), toJson(v.mapValue(i))}));
            }
        }
        return out;
    }
    return nullptr;
}

}  // namespace pd::peer
