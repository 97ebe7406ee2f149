// How an entry names its adapter, read the same way by the inventory and by the
// removal's second look at an entry, so that the two agree on it.
#pragma once

#include <string>

#include "base/variant.h"
#include "registry/cls_registry.h"
#include "window/guarded.h"

// The display text of one registry read: texts as they are, numbers in decimal, byte
// data as UTF-16LE (an odd last byte dropped), nothing as the empty text; then every
// NUL removed, which strips the terminator of a binary adapter string and joins the
// strings of a multi-string.
std::wstring ValueText(const Variant& value);

// Whether a read gives the empty text before its NULs are removed: a missing value and
// "" are empty, a number never is.
bool IsEmptyResult(const Variant& value);

// The registry object a statement uses; raises error 91 ("Object variable or With
// block variable not set") when there is none.
CLS_Registry& Use(CLS_Registry* registry);

// The selected value, read from the key the selectors name or, when heldKey is not 0,
// through that open key.
Variant ReadSelected(CLS_Registry& registry, RegKey heldKey);

// Selects the value that names the adapter: "DriverDesc", or
// "HardwareInformation.AdapterString" when that reads empty. A "DriverDesc" whose read
// raises gives way to the adapter string as well.
void SelectAdapterNameValue(CLS_Registry* registry, RegKey heldKey, Guarded& guard);

// The adapter's name as read through a held key; false when the entry names none or
// its name cannot be read.
bool AdapterNameIn(RegistryApi& api, RegKey heldKey, std::wstring& name);
