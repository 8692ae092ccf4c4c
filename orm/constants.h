// The query builder's constant strings. Each module that includes this header gets its own
// copies (internal linkage), built when the module loads.
#pragma once
#include <string>

namespace DatabaseORM {
static const std::string NULL_TEXT = "NULL";    // the text written for SQL NULL
static const std::string NULL_DEFAULT = "NULL"; // the default of string members
static const std::string COMMA_SEP = ", ";
static const std::string BLANK = " ";
static const std::string QUOTE = "'";
static const std::string LIST_SEP = "?";

// Constraint keywords of the table descriptions; no statement of the plugin contains them.
static const std::string ON_UPDATE_NO_ACTION = "ON UPDATE NO ACTION";
static const std::string ON_UPDATE_RESTRICT = "ON UPDATE RESTRICT";
static const std::string ON_UPDATE_SET_NULL = "ON UPDATE SET NULL";
static const std::string ON_UPDATE_SET_DEFAULT = "ON UPDATE SET DEFAULT";
static const std::string ON_UPDATE_CASCADE = "ON UPDATE CASCADE";
static const std::string ON_DELETE_NO_ACTION = "ON DELETE NO ACTION";
static const std::string ON_DELETE_RESTRICT = "ON DELETE RESTRICT";
static const std::string ON_DELETE_SET_NULL = "ON DELETE SET NULL";
static const std::string ON_DELETE_SET_DEFAULT = "ON DELETE SET DEFAULT";
static const std::string ON_DELETE_CASCADE = "ON DELETE CASCADE";
static const std::string PRIMARY_KEY = "PRIMARY KEY";
static const std::string FOREIGN_KEY = "FOREIGN KEY";
static const std::string UNIQUE = "UNIQUE";
static const std::string NOT_NULL = "NOT NULL";
static const std::string DEFAULTVALUE = "DEFAULTVALUE";
static const std::string AUTOINCREMENT = "AUTOINCREMENT";
} // namespace DatabaseORM
