// The saver's form-definition storage: the persisted properties of each
// control instance on a form, as named text values, and their text form.
// Portable: no toolkit headers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tumbleview {

// The named values of one control instance, in the order they were first
// written.  Names are case-sensitive; values are UTF-8 text.
class PropertyBag {
 public:
  // The stored value, or `readDefault` when the name is not stored.
  std::string read(std::string_view name, std::string_view readDefault) const;
  std::optional<std::string> find(std::string_view name) const;

  // Stores `value` under `name`; a value equal to `writeDefault` is not
  // stored (an older value under the name is removed), so that it reads
  // back as whatever the reader's default is.
  void write(std::string_view name, std::string_view value, std::string_view writeDefault);

  const std::vector<std::pair<std::string, std::string>>& entries() const { return m_entries; }
  bool empty() const { return m_entries.empty(); }

 private:
  friend class FormDefinition;
  std::vector<std::pair<std::string, std::string>> m_entries;
};

// The stored definition of one form: a property bag per named control
// instance, in order.
//
// Text form, one item a line (LF or CRLF):
//   [Cmd_Set]           an instance; names are letters, digits and '_'
//   Caption=設定         a value, up to the end of the line; \\ \n \r \t
//                        and \xHH stand for a backslash, control characters
//                        and other bytes below 0x20
// Blank lines are ignored.  Anything else, a value outside an instance, a
// name given twice, a bad escape or a text over kMaxTextSize bytes makes
// parse() return nullopt: a definition is read whole or not at all.
class FormDefinition {
 public:
  static constexpr std::size_t kMaxTextSize = 1 << 20;

  // The instance's bag, created empty at the end when it is new.
  PropertyBag& instance(std::string_view name);
  const PropertyBag* find(std::string_view name) const;
  const std::vector<std::pair<std::string, PropertyBag>>& instances() const {
    return m_instances;
  }

  std::string serialize() const;
  static std::optional<FormDefinition> parse(std::string_view text);

 private:
  std::vector<std::pair<std::string, PropertyBag>> m_instances;
};

}  // namespace tumbleview
