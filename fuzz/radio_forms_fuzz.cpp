// Each radio-form decoder on untrusted bytes; the first byte picks the decoder. A refused form
// must leave its destination exactly as it was; an accepted one, encoded again, must decode.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "codeplug/radio_forms.h"
#include "fuzz_support.h"

namespace {

using vex::Bytes;

// A destination with every field set, so that a partial write on refusal shows.
template <typename T>
T Filled();

template <>
vex::VersionInfo Filled() {
    vex::VersionInfo v;
    v.firmware_phase = 'X';
    v.firmware_release = 9;
    v.codeplug_version = 7;
    return v;
}

template <>
vex::RadioLimits Filled() {
    vex::RadioLimits l;
    l.pid = "4711";
    l.model = "ZZZZ";
    l.num_of_languages = 3;
    l.languages = {9, 8, 7, 0, 0, 0};
    l.max_vol_level = 77;
    return l;
}

template <>
vex::RadioSettings Filled() {
    vex::RadioSettings s;
    s.contrast = 3;
    s.call_forward_id = "123";
    s.setting_bits = 0xDEADBEEF;
    return s;
}

template <>
vex::ContactRecord Filled() {
    vex::ContactRecord c;
    c.name = "Sentinel";
    c.pid = "99";
    c.home_grp = "5";
    c.parent_groups[2] = "6";
    return c;
}

template <typename T, typename Decode, typename Encode>
void Check(std::span<const std::uint8_t> form, Decode decode, Encode encode) {
    const T before = Filled<T>();
    T value = before;
    if (!decode(form, value)) {
        VEX_FUZZ_CHECK(value == before);
        return;
    }
    const auto again = encode(value);
    if (!again) return;  // a value the radio form cannot carry (a NUL in a text, too long)
    T decoded = Filled<T>();
    VEX_FUZZ_CHECK(decode(std::span<const std::uint8_t>(again->data(), again->size()), decoded));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The form in an allocation of its own, so that a read past it is caught.
    const Bytes form(data + 1, data + size);
    const std::span<const std::uint8_t> bytes(form.data(), form.size());
    switch (data[0] % 5) {
        case 0:
            Check<vex::VersionInfo>(bytes, vex::DecodeVersionInfo, [](const vex::VersionInfo& v) {
                const auto a = vex::EncodeVersionInfo(v);
                return std::optional<Bytes>(Bytes(a.begin(), a.end()));
            });
            break;
        case 1:
            Check<vex::RadioLimits>(bytes, vex::DecodeRadioLimits, vex::EncodeRadioLimits);
            break;
        case 2:
            Check<vex::RadioSettings>(bytes, vex::DecodeRadioSettings, vex::EncodeRadioSettings);
            break;
        case 3:
            Check<vex::ContactRecord>(bytes, vex::DecodeContactRecord, vex::EncodeContactRecord);
            break;
        default: {
            std::string text = "unchanged";
            if (!vex::DecodeTextMessage(bytes, text)) {
                VEX_FUZZ_CHECK(text == "unchanged");
            } else if (const auto again = vex::EncodeTextMessage(text)) {
                std::string decoded;
                VEX_FUZZ_CHECK(vex::DecodeTextMessage(*again, decoded) && decoded == text);
            }
            break;
        }
    }
    return 0;
}
