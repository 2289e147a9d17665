#pragma once

#include "platform/db/Statement.h"
#include "wo_internal_export.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace wo::db {

class Connection;

// Statements a host runs through the connection it hands over: scripts such as
// the shipped table statements, and queries whose rows come back as JSON.

// Splits a script at the semicolons that end its statements. Semicolons inside
// quotes ('…', "…", `…`, PostgreSQL's $tag$…$tag$) and comments (-- to the end of the
// line, /* … */) do not end one; comments are dropped, and statements left empty
// are skipped. backslashEscapes: a backslash escapes the next character inside
// quotes, as MariaDB reads them.
WO_INTERNAL QStringList splitScript(const QString& script, bool backslashEscapes = false);

// Runs the script's statements in order, counting in `executed` those that ran.
// The first that fails stops the script: its error is raised with the statement's
// number in front of the driver's text, and the statements before it stay done.
WO_INTERNAL void executeScript(Connection& connection, const QString& script, int& executed);

// Runs a query with its values bound (as every statement of the component is) and returns its rows as a
// compact JSON array of objects, one member per column, named as the database names it: NULL as null,
// integers (all 64 bits) and reals as numbers, binary values as Base64 text, anything else as text.
WO_INTERNAL QByteArray queryJson(Connection& connection, const Statement& query);

} // namespace wo::db
