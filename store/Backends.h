#pragma once

#include "store/StoreDb.h"

#include <memory>
#include <string>

namespace kw {

// The two databases behind StoreDb; `name` is the URL without its password.
std::unique_ptr<StoreDb> OpenSqliteStore(const std::string& path, const std::string& name,
                                         bool create);
std::unique_ptr<StoreDb> OpenPostgresStore(const std::string& conninfo, const std::string& password,
                                           const std::string& name);

} // namespace kw
