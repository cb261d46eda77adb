// The SQL dialect of a database engine: how names and texts are quoted, which column types the
// layer and the report expert write, and the statements of the SQL tools (execution plan,
// catalogue of tables and columns, invalid objects and compile errors).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/field_types.h"

namespace bexlo {

class TFieldDef;

// One part of a date format as DateText renders it: the day or month with or without a leading
// zero, a two- or four-digit year, or literal text.
struct TDatePart {
  enum Kind { dpDay, dpDay2, dpMonth, dpMonth2, dpYear2, dpYear4, dpText };
  Kind kind = dpText;
  std::string text;  // dpText only
};

class TDialect {
 public:
  virtual ~TDialect() = default;

  // "SQLite", "PostgreSQL".
  virtual std::string_view Name() const noexcept = 0;

  // The identifier in double quotes, inner quotes doubled: exactly this name, this letter case.
  std::string QuoteIdentifier(std::string_view name) const;
  // A name as a user writes it: a plain identifier (letters, digits, "_", not starting with a
  // digit) stays as it is, so the engine folds its case as usual; anything else is quoted. A name
  // already in double quotes is kept. PostgreSQL reads "schema.table" as two names; SQLite
  // quotes a dotted name whole ("TABLE1.DBF" is one table).
  virtual std::string QuoteName(std::string_view name) const;
  // A string literal: single quotes, inner quotes doubled.
  std::string QuoteString(std::string_view text) const;
  // Whether the engine reads an unquoted name in lower case (PostgreSQL): a column whose name has
  // capitals ("OrderDate", created quoted) must then be written in double quotes.
  virtual bool FoldsNamesToLowerCase() const noexcept { return false; }
  // An SQL expression that renders the date (or date-time) expression as text in the given parts,
  // e.g. "08/12/1990" for day, "/", month, "/", four-digit year; NULL stays NULL.
  virtual std::string DateText(std::string_view expression, const std::vector<TDatePart>& parts) const = 0;

  // Column type of a CREATE TABLE statement for a field definition (TTable.CreateTable).
  virtual std::string ColumnType(const TFieldDef& def) const = 0;
  // Column type name the report expert writes for a field type ("Char", "Numeric", "Boolean",
  // "Date", "Time", "Blob"); empty for types that get no column.
  virtual std::string ExpertColumnType(TFieldType type) const;

  // The statement that shows the execution plan of sql, one plan line per row in its last column.
  virtual std::string PlanStatement(std::string_view sql) const = 0;
  // Tables and views of the database: one column TABLE_NAME, ordered by name.
  virtual std::string TablesStatement() const = 0;
  // Columns of a table: COLUMN_NAME, DATA_TYPE, in column order; the table is parameter :TABLE_NAME.
  virtual std::string ColumnsStatement() const = 0;
  // Stored objects that failed to compile: OBJECT_TYPE, OBJECT_NAME (the two engines keep none,
  // so the statement yields no rows but has the columns the tools expect).
  virtual std::string InvalidObjectsStatement() const;
  // Compile errors of an object: SEQUENCE, LINE, POSITION, TEXT for :OBJ_TYPE and :OBJ_NAME.
  virtual std::string ObjectErrorsStatement() const;

  virtual bool SupportsStoredProcedures() const noexcept = 0;
};

class TSqliteDialect final : public TDialect {
 public:
  std::string_view Name() const noexcept override { return "SQLite"; }
  std::string QuoteName(std::string_view name) const override;
  std::string DateText(std::string_view expression, const std::vector<TDatePart>& parts) const override;
  std::string ColumnType(const TFieldDef& def) const override;
  std::string PlanStatement(std::string_view sql) const override;
  std::string TablesStatement() const override;
  std::string ColumnsStatement() const override;
  bool SupportsStoredProcedures() const noexcept override { return false; }
};

class TPostgresDialect final : public TDialect {
 public:
  std::string_view Name() const noexcept override { return "PostgreSQL"; }
  bool FoldsNamesToLowerCase() const noexcept override { return true; }
  std::string DateText(std::string_view expression, const std::vector<TDatePart>& parts) const override;
  std::string ColumnType(const TFieldDef& def) const override;
  std::string ExpertColumnType(TFieldType type) const override;
  std::string PlanStatement(std::string_view sql) const override;
  std::string TablesStatement() const override;
  std::string ColumnsStatement() const override;
  bool SupportsStoredProcedures() const noexcept override { return true; }
};

const TDialect& SqliteDialect();
const TDialect& PostgresDialect();

}  // namespace bexlo
