#include "cli/DialogNumbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// `text` without one leading '+', which the dialogs accept.
std::string_view Unsigned(const std::string& text) {
    std::string_view view = text;
    if (!view.empty() && view.front() == '+') view.remove_prefix(1);
    return view;
}

std::string WholeNumber(std::string& text) {
    const std::string_view digits = Unsigned(text);
    std::int64_t value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || result.ec == std::errc::invalid_argument ||
        result.ptr != digits.data() + digits.size()) {
        return "'" + text + "' is not a whole number";
    }
    if (result.ec != std::errc() || value < INT32_MIN || value > INT32_MAX) {
        return "'" + text + "' is beyond the dialog's whole numbers (-2147483648 to 2147483647)";
    }
    return std::string();
}

std::string FiniteNumber(std::string& text) {
    const std::string_view digits = Unsigned(text);
    double value = 0.0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || result.ec != std::errc() ||
        result.ptr != digits.data() + digits.size() || !std::isfinite(value)) {
        return "'" + text + "' is not a finite number";
    }
    return std::string();
}

void Check(CLI::App& command, const std::string& name, const CLI::Validator& validator) {
    if (CLI::Option* option = command.get_option_no_throw(name)) option->check(validator);
}

}  // namespace

void CheckDialogNumbers(CLI::App& command) {
    const CLI::Validator whole(WholeNumber, "");
    const CLI::Validator finite(FiniteNumber, "");
    Check(command, "--range", whole);
    Check(command, "--offset", whole);
    Check(command, "--size", finite);
    Check(command, "--scale-factor", finite);
}
