#include "property_bag.h"

#include <algorithm>

namespace tumbleview {
namespace {

bool isNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool isName(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), isNameCharacter);
}

void appendEscaped(std::string& out, std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          out += "\\x";
          out += kHex[static_cast<unsigned char>(c) >> 4];
          out += kHex[static_cast<unsigned char>(c) & 0xF];
        } else {
          out += c;
        }
    }
  }
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'x': {
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexDigit(text[i + 1]);
        const int low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return out;
}

}  // namespace

std::string PropertyBag::read(std::string_view name, std::string_view readDefault) const {
  auto value = find(name);
  return value ? *value : std::string(readDefault);
}

std::optional<std::string> PropertyBag::find(std::string_view name) const {
  for (const auto& [key, value] : m_entries) {
    if (key == name) return value;
  }
  return std::nullopt;
}

void PropertyBag::write(std::string_view name, std::string_view value,
                        std::string_view writeDefault) {
  auto it = std::find_if(m_entries.begin(), m_entries.end(),
                         [&](const auto& entry) { return entry.first == name; });
  if (value == writeDefault) {
    if (it != m_entries.end()) m_entries.erase(it);
    return;
  }
  if (it != m_entries.end()) {
    it->second = std::string(value);
  } else {
    m_entries.emplace_back(std::string(name), std::string(value));
  }
}

PropertyBag& FormDefinition::instance(std::string_view name) {
  for (auto& [key, bag] : m_instances) {
    if (key == name) return bag;
  }
  return m_instances.emplace_back(std::string(name), PropertyBag{}).second;
}

const PropertyBag* FormDefinition::find(std::string_view name) const {
  for (const auto& [key, bag] : m_instances) {
    if (key == name) return &bag;
  }
  return nullptr;
}

std::string FormDefinition::serialize() const {
  std::string out;
  for (const auto& [name, bag] : m_instances) {
    out += '[';
    out += name;
    out += "]\n";
    for (const auto& [key, value] : bag.entries()) {
      out += key;
      out += '=';
      appendEscaped(out, value);
      out += '\n';
    }
  }
  return out;
}

std::optional<FormDefinition> FormDefinition::parse(std::string_view text) {
  if (text.size() > kMaxTextSize) return std::nullopt;
  FormDefinition form;
  PropertyBag* current = nullptr;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (line.back() != ']') return std::nullopt;
      const std::string_view name = line.substr(1, line.size() - 2);
      if (!isName(name) || form.find(name) != nullptr) return std::nullopt;
      current = &form.instance(name);
      continue;
    }
    const std::size_t equals = line.find('=');
    if (current == nullptr || equals == std::string_view::npos) return std::nullopt;
    const std::string_view name = line.substr(0, equals);
    if (!isName(name) || current->find(name)) return std::nullopt;
    auto value = unescape(line.substr(equals + 1));
    if (!value) return std::nullopt;
    // Stored as read: a value that happens to equal some default stays.
    current->m_entries.emplace_back(std::string(name), std::move(*value));
  }
  return form;
}

}  // namespace tumbleview
