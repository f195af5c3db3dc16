// The database schema: creating a new database and healing an old one without overwriting.
#pragma once

#include <QString>

namespace orvane::db {
class Connection;
}

// Creates what is missing: the four tables, the index, the 31 day rows and every settings
// key with its start value. Nothing present is changed. False (with the reason) on failure.
bool EnsureSchema(orvane::db::Connection& c, QString* error = nullptr);
// True when the four tables exist.
bool HasSchema(orvane::db::Connection& c);
