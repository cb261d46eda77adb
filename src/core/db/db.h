// The whole data-access layer in one include.
#pragma once

#include "db/data_source.h"
#include "db/database.h"
#include "db/dataset.h"
#include "db/db_error.h"
#include "db/dialect.h"
#include "db/field.h"
#include "db/field_defs.h"
#include "db/fields.h"
#include "db/params.h"
#include "db/query.h"
#include "db/stored_proc.h"
#include "db/table.h"
