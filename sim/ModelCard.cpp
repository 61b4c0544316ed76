#include "sim/ModelCard.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "sim/Netlist.h"

// The reader is written here rather than taken from ngspice: ngspice's own
// reader accepts expressions, .param and .control lines, and stops the whole
// simulator on keys it does not know. This one knows only what it takes.

namespace sim {
namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
    return upper;
}

bool SameWord(std::string_view text, std::string_view lowerWord) {
    if (text.size() != lowerWord.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (Lower(text[i]) != lowerWord[i]) return false;
    }
    return true;
}

// At most 32 characters, anything but printable ASCII as "?": safe to show.
std::string Shown(std::string_view text) {
    std::string shown(text.substr(0, kMaxNameLength));
    for (char& c : shown) {
        if (c < 0x20 || c > 0x7E) c = '?';
    }
    return shown;
}

double Scale(std::string_view letters) {
    std::string lower(letters.substr(0, 3));
    std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
    if (lower == "meg") return 1e6;
    if (lower == "mil") return 25.4e-6;
    if (lower.empty()) return 1;
    switch (lower[0]) {
        case 't':
            return 1e12;
        case 'g':
            return 1e9;
        case 'k':
            return 1e3;
        case 'm':
            return 1e-3;
        case 'u':
            return 1e-6;
        case 'n':
            return 1e-9;
        case 'p':
            return 1e-12;
        case 'f':
            return 1e-15;
        case 'a':
            return 1e-18;
        default:
            return 1;  // a unit alone: "40V"
    }
}

// A logical line (continuations joined) and where it started.
struct Statement {
    std::string text;
    std::size_t line = 0;
};

// The text's statements: comments dropped, "+" lines joined to the one before.
std::vector<Statement> Statements(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<Statement> statements;
    std::size_t number = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (end < text.size() && text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;
        ++number;
        if (const std::size_t semicolon = line.find(';'); semicolon != std::string_view::npos) {
            line = line.substr(0, semicolon);
        }
        const std::size_t first = line.find_first_not_of(" \t\f\v");
        if (first == std::string_view::npos || line[first] == '*') continue;
        line.remove_prefix(first);
        if (line[0] == '+') {
            if (!statements.empty()) {
                statements.back().text += ' ';
                statements.back().text += line.substr(1);
            }
            continue;
        }
        statements.push_back({std::string(line), number});
    }
    return statements;
}

// The words of a card after ".model": blanks, commas and parentheses
// separate; "=" is a word of its own; a double-quoted text is one word.
struct Words {
    std::vector<std::string_view> words;
    bool expression = false;  // braces, a single quote, or nested parentheses
};

Words Split(std::string_view text) {
    Words split;
    int open = 0;
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (IsBlank(c) || c == ',') {
            ++at;
        } else if (c == '(' || c == ')') {
            open += c == '(' ? 1 : 0;
            if (open > 1) split.expression = true;
            ++at;
        } else if (c == '{' || c == '}' || c == '\'') {
            split.expression = true;
            ++at;
        } else if (c == '=') {
            split.words.push_back(text.substr(at, 1));
            ++at;
        } else if (c == '"') {
            std::size_t close = text.find('"', at + 1);
            close = close == std::string_view::npos ? text.size() : close + 1;
            split.words.push_back(text.substr(at, close - at));
            at = close;
        } else {
            const std::size_t end = text.find_first_of(" \t\f\v,()={}'\"", at);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end;
            split.words.push_back(text.substr(at, stop - at));
            at = stop;
        }
    }
    return split;
}

bool IsKey(std::string_view word) {
    if (word.empty() || word.size() > kMaxNameLength || !IsLetter(word[0])) return false;
    return std::all_of(word.begin(), word.end(),
                       [](char c) { return IsLetter(c) || IsDigit(c) || c == '_'; });
}

// An operator where a number belongs: "2*50", "100+5", "1-x". A sign is
// a number's own at the start and right after an exponent's "e".
bool IsArithmetic(std::string_view value) {
    if (value.find_first_of("*/^") != std::string_view::npos) return true;
    for (std::size_t i = 1; i < value.size(); ++i) {
        if ((value[i] == '+' || value[i] == '-') && value[i - 1] != 'e' && value[i - 1] != 'E') {
            return true;
        }
    }
    return false;
}

FoundCard Refused(FoundCard card, Refusal refusal, std::string_view detail = {}) {
    card.refusal = refusal;
    card.detail = Shown(detail);
    card.model = {};
    card.ratings = {};
    card.leftOut.clear();
    return card;
}

// Puts a rating's value in place, or leaves it out with the reason.
void TakeRating(FoundCard& card, const ParameterRange& range, std::optional<double>& slot,
                const std::string& key, std::string_view text) {
    const SpiceValue read = ReadSpiceValue(text);
    if (read.fault) {
        card.leftOut.push_back({key, *read.fault == NumberFault::TooLarge
                                         ? LeftOutReason::TooLarge
                                         : LeftOutReason::NotANumber});
    } else if (read.value < range.low || read.value > range.high) {
        card.leftOut.push_back({key, LeftOutReason::OutOfRange, read.value, &range});
    } else {
        slot = read.value;
    }
}

FoundCard ReadCard(std::string_view body, std::size_t line) {
    FoundCard card;
    card.line = line;
    const Words split = Split(body);
    const std::vector<std::string_view>& words = split.words;
    card.name = words.empty() ? std::string() : Shown(words[0]);
    if (words.empty() || !IsValidPartName(words[0])) return Refused(card, Refusal::BadName);
    card.name = std::string(words[0]);
    if (words.size() < 2 || !(SameWord(words[1], "npn") || SameWord(words[1], "pnp"))) {
        return Refused(card, Refusal::NoType, words.size() < 2 ? "" : words[1]);
    }
    if (split.expression) return Refused(card, Refusal::Expression);
    card.model.type = SameWord(words[1], "npn") ? Polarity::Npn : Polarity::Pnp;

    std::vector<std::string> seen;
    for (std::size_t at = 2; at < words.size(); at += 3) {
        if (at + 2 >= words.size() || !IsKey(words[at]) || words[at + 1] != "=" ||
            words[at + 2] == "=") {
            return Refused(card, Refusal::Malformed, words[at]);
        }
        std::string key = UpperCase(words[at]);
        const std::string_view value = words[at + 2];
        // "IC" and "ICRATING" name the same rating.
        const std::string same = key == "IC" ? "ICRATING" : key;
        if (std::find(seen.begin(), seen.end(), same) != seen.end()) {
            return Refused(card, Refusal::Repeated, key);
        }
        seen.push_back(same);
        const ParameterRange* range = FindParameter(key);
        const bool rating =
            same == kVceoRating.name || same == kIcRating.name || same == kPdRating.name;
        if ((range != nullptr || rating) && IsArithmetic(value)) {
            return Refused(card, Refusal::Expression, key);
        }
        if (same == kVceoRating.name) {
            TakeRating(card, kVceoRating, card.ratings.Vceo, key, value);
        } else if (same == kIcRating.name) {
            TakeRating(card, kIcRating, card.ratings.Ic, key, value);
        } else if (same == kPdRating.name) {
            TakeRating(card, kPdRating, card.ratings.Pd, key, value);
        } else if (range == nullptr) {
            card.leftOut.push_back({key, LeftOutReason::NotTaken});
        } else {
            const SpiceValue read = ReadSpiceValue(value);
            if (read.fault) {
                card.leftOut.push_back({key, *read.fault == NumberFault::TooLarge
                                                 ? LeftOutReason::TooLarge
                                                 : LeftOutReason::NotANumber});
            } else if (read.value < range->low || read.value > range->high) {
                card.leftOut.push_back({key, LeftOutReason::OutOfRange, read.value, range});
            } else {
                card.model.parameters.push_back({range->name, read.value});
            }
        }
    }
    return card;
}

// The first word of a statement and the rest after it.
std::pair<std::string_view, std::string_view> FirstWord(std::string_view text) {
    const std::size_t end = text.find_first_of(" \t\f\v(");
    if (end == std::string_view::npos) return {text, {}};
    return {text.substr(0, end), text.substr(end)};
}

}  // namespace

std::string_view PolarityName(Polarity polarity) {
    return polarity == Polarity::Pnp ? "PNP" : "NPN";
}

const ParameterRange* FindParameter(std::string_view name) {
    for (const ParameterRange& range : kParameters) {
        if (range.name == name) return &range;
    }
    return nullptr;
}

SpiceValue ReadSpiceValue(std::string_view text) {
    const SpiceValue none{0, NumberFault::NotANumber};
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t digits = at;
    bool point = false;
    std::size_t mantissaDigits = 0;
    for (; at < text.size(); ++at) {
        if (IsDigit(text[at])) {
            ++mantissaDigits;
        } else if (text[at] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return none;
    // An exponent only when digits follow the "e": "1e" is 1 with a unit "e".
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
        if (exponent < text.size() && IsDigit(text[exponent])) {
            at = exponent;
            while (at < text.size() && IsDigit(text[at])) ++at;
        }
    }
    const std::size_t numberEnd = at;
    while (at < text.size() && IsLetter(text[at])) ++at;
    if (at != text.size()) return none;

    // std::from_chars takes no "+" and would take "inf" and "nan", which the
    // scan above has already kept out.
    double magnitude = 0;
    const char* first = text.data() + digits;
    const char* last = text.data() + numberEnd;
    const auto [stop, error] = std::from_chars(first, last, magnitude);
    if (stop != last) return none;
    if (error == std::errc::result_out_of_range) return {0, NumberFault::TooLarge};
    if (error != std::errc()) return none;
    double value = magnitude * Scale(text.substr(numberEnd));
    if (digits > 0 && text[0] == '-') value = -value;
    if (!std::isfinite(value)) return {0, NumberFault::TooLarge};
    return {value, std::nullopt};
}

bool IsValidPartName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return IsLetter(c) || IsDigit(c) || c == '_' || c == '-' || c == '.' || c == '+';
    });
}

CardScan ScanModelCards(std::string_view text) {
    CardScan scan;
    if (text.size() > kMaxCardText) {
        scan.tooLarge = true;
        return scan;
    }
    bool inSubcircuit = false;
    for (const Statement& statement : Statements(text)) {
        const auto [keyword, rest] = FirstWord(statement.text);
        if (SameWord(keyword, ".subckt")) {
            FoundCard card;
            card.line = statement.line;
            const std::vector<std::string_view> words = Split(rest).words;
            if (!words.empty()) card.name = Shown(words[0]);
            scan.cards.push_back(Refused(card, Refusal::Subcircuit));
            inSubcircuit = true;
        } else if (SameWord(keyword, ".ends")) {
            inSubcircuit = false;
        } else if (SameWord(keyword, ".model") && !inSubcircuit) {
            scan.cards.push_back(ReadCard(rest, statement.line));
        }
    }
    return scan;
}

std::string CardLine(std::string_view name, const Model& model) {
    std::string line =
        ".model " + std::string(name) + " " + std::string(PolarityName(model.type)) + "(";
    for (std::size_t i = 0; i < model.parameters.size(); ++i) {
        if (i > 0) line += ' ';
        line +=
            std::string(model.parameters[i].name) + "=" + SpiceNumber(model.parameters[i].value);
    }
    return line + ")";
}

}  // namespace sim
