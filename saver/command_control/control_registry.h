// Reusable controls by identifier, so that a stored form definition can
// name the kind of each control ("Tumbleview.Command") and the host can
// make it.  GUI thread only.
#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

namespace tumbleview {

using ControlFactory = std::function<QWidget*(QWidget* parent)>;

// Adds a kind of control.  False, changing nothing, when the identifier is
// already taken or the factory is empty.  "Tumbleview.Command" is always
// there.
bool registerControl(std::string_view identifier, ControlFactory factory);

// A new control of the given kind, owned by `parent` (or by the caller
// when parent is nullptr); nullptr for an unknown identifier.
QWidget* createControl(std::string_view identifier, QWidget* parent);

}  // namespace tumbleview
