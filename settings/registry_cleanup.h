// Removal of the per-user registry key on uninstall.
#pragma once

#include <string>

#include "platform/records.h"

// Deletes `name` below the open key `parent` with everything under it, leaf first; stops at the
// first child that cannot be deleted. True when the key is gone.
bool DeleteKeyTree(platform::RegKey parent, const std::wstring& name);
// Removes the program's own key below HKEY_CURRENT_USER\Software\<companyKey>, and the company's
// key with it once nothing else is left in it.
void RemoveProgramKeys(const std::wstring& companyKey);
