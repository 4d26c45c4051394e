#include "control_registry.h"

#include <map>

#include "command.h"

namespace tumbleview {
namespace {

std::map<std::string, ControlFactory, std::less<>>& registry() {
  static std::map<std::string, ControlFactory, std::less<>> factories = {
      {Command::kProgId, [](QWidget* parent) -> QWidget* { return new Command(parent); }},
  };
  return factories;
}

}  // namespace

bool registerControl(std::string_view identifier, ControlFactory factory) {
  if (!factory) return false;
  return registry().emplace(std::string(identifier), std::move(factory)).second;
}

QWidget* createControl(std::string_view identifier, QWidget* parent) {
  const auto& factories = registry();
  const auto it = factories.find(identifier);
  return it == factories.end() ? nullptr : it->second(parent);
}

}  // namespace tumbleview
