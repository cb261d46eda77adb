// Every message text of the library, once. Names are the resource names the texts have always
// had where they have one (SQo..., SDs..., SXuTalk..., SPu...); texts are used exactly as written.
// "%s", "%d" placeholders are filled with Format(). Each subsystem keeps its own section; add new
// texts to the section of the code that raises them.
#pragma once

namespace bexlo::msg {

// ---- util: runtime conversions and lists -------------------------------------------------------
inline constexpr const char SInvalidInteger[] = "'%s' is not a valid integer value";
inline constexpr const char SInvalidFloat[] = "'%s' is not a valid floating point value";
inline constexpr const char SInvalidDate[] = "'%s' is not a valid date";
inline constexpr const char SInvalidTime[] = "'%s' is not a valid time";
inline constexpr const char SInvalidDateTime[] = "'%s' is not a valid date and time";
inline constexpr const char SDateEncodeError[] = "Invalid argument to date encode";
inline constexpr const char STimeEncodeError[] = "Invalid argument to time encode";
inline constexpr const char SInvalidFormat[] = "Format '%s' invalid or incompatible with argument";
inline constexpr const char SArgumentMissing[] = "No argument for format '%s'";
inline constexpr const char SUnknownCodePage[] = "Unknown code page '%s'";
inline constexpr const char SListIndexError[] = "List index out of bounds (%d)";
inline constexpr const char SDuplicateString[] = "String list does not allow duplicates";
inline constexpr const char SSortedListError[] = "Operation not allowed on sorted string list";
inline constexpr const char SAssignError[] = "Cannot assign a %s to a %s";
inline constexpr const char SFOpenError[] = "Cannot open file \"%s\". %s";
inline constexpr const char SFCreateError[] = "Cannot create file \"%s\". %s";
inline constexpr const char SWriteError[] = "Stream write error";
inline constexpr const char SDuplicateName[] = "A component named %s already exists";

// ---- util: file mapper -------------------------------------------------------------------------
inline constexpr const char SFileMapOpenError[] = "Can not open file";
inline constexpr const char SFileMapMapError[] = "Can not make map";
inline constexpr const char SFileMapViewError[] = "File is empty";
inline constexpr const char SFileMapNotOpened[] = "File is not opend";
inline constexpr const char SFileMapIndexError[] = "Index outside of range";
inline constexpr const char SFileMapSizeError[] = "Size of file cannot be established after its opening";
inline constexpr const char SFileMapReadOnly[] = "File is mapped read-only";

// ---- util: settings, hooks, user interaction ---------------------------------------------------
inline constexpr const char SBreakProcess[] = "Break process ?";
inline constexpr const char SUnexpectedQuestion[] = "No answer was scripted for this question: %s";

// ---- util: amounts in words and coder ----------------------------------------------------------
inline constexpr const char SXuTalkTooLarge[] = "Too large number: ";

// ---- db: data-access layer ---------------------------------------------------------------------
// data sets and fields
inline constexpr const char SDataSetOpen[] = "Cannot perform this operation on an open dataset";
inline constexpr const char SDataSetClosed[] = "Cannot perform this operation on a closed dataset";
inline constexpr const char SDataSetEmpty[] = "Cannot perform this operation on an empty dataset";
inline constexpr const char SDataSetReadOnly[] = "Cannot modify a read-only dataset";
inline constexpr const char SDataSetUnidirectional[] = "Operation not allowed on a unidirectional dataset";
inline constexpr const char SNotEditing[] = "Dataset not in edit or insert mode";
inline constexpr const char SCircularDataLink[] = "Circular datalinks are not allowed";
inline constexpr const char SRecordNotFound[] = "Record not found";
inline constexpr const char SNotCachedUpdates[] = "Not in cached update mode";
inline constexpr const char SUpdatesPending[] = "Cached updates are pending";
inline constexpr const char SLocateValueCount[] = "%d fields are searched but %d values are given";
inline constexpr const char SFieldNotFound[] = "Field '%s' not found";
inline constexpr const char SDataSetMissing[] = "Field '%s' has no dataset";
inline constexpr const char SFieldNameMissing[] = "Field name missing";
inline constexpr const char SDuplicateFieldName[] = "Duplicate field name '%s'";
inline constexpr const char SFieldAccessError[] = "Cannot access field '%s' as type %s";
inline constexpr const char SFieldTypeMismatch[] = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char SFieldReadOnly[] = "Field '%s' cannot be modified";
inline constexpr const char SFieldRequired[] = "Field '%s' must have a value";
inline constexpr const char SFieldRangeError[] = "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char SFieldValueError[] = "'%s' is not a valid value for field '%s'";
inline constexpr const char SLookupInfoError[] = "Lookup information for field '%s' is incomplete";
inline constexpr const char SInvalidFieldSize[] = "Invalid field size";
// parameters
inline constexpr const char SParameterNotFound[] = "Parameter '%s' not found";
inline constexpr const char SNoParameterValue[] = "No value for parameter '%s'";
inline constexpr const char SParamValueError[] = "'%s' is not a valid value for parameter '%s'";
// databases, statements, transactions
inline constexpr const char SDatabaseClosed[] = "Cannot perform this operation on a closed database";
inline constexpr const char SDatabaseOpen[] = "Cannot perform this operation on an open database";
inline constexpr const char SDatabaseNameMissing[] = "Database name missing";
inline constexpr const char SDuplicateDatabaseName[] = "Duplicate database name '%s'";
inline constexpr const char SUnknownDatabase[] = "Cannot resolve database name '%s': it is not an alias, an SQLite file, a PostgreSQL connection string or a directory";
inline constexpr const char SNoSQLStatement[] = "No SQL statement available";
inline constexpr const char SNoTableName[] = "Missing TableName property";
inline constexpr const char SNoStoredProcName[] = "Missing StoredProcName property";
inline constexpr const char SStoredProcNotFound[] = "Stored procedure '%s' not found";
inline constexpr const char SStoredProcNotSupported[] = "Stored procedures are not supported by %s";
inline constexpr const char STransactionActive[] = "A transaction is already active";
inline constexpr const char SNoTransaction[] = "No transaction is active";
inline constexpr const char STransactionAborted[] = "The transaction was rolled back because a statement in it failed";
inline constexpr const char SRecordChanged[] = "Couldn't perform the edit because another user changed the record";
inline constexpr const char SKeyNotUnique[] = "The key of table %s matches %d records; nothing was changed";
inline constexpr const char SNoUpdateKey[] = "Table %s cannot be updated: the data set has no key (ROWID, primary key or UniqueField)";

// ---- automation ---------------------------------------------------------------------------------
inline constexpr const char SOleUnknownName[] = "Unknown name";
inline constexpr const char SOleMemberNotFound[] = "Member not found";
inline constexpr const char SOleTypeMismatch[] = "Type mismatch";
inline constexpr const char SOleBadParamCount[] = "Invalid number of parameters";
inline constexpr const char SOleInvalidClassString[] = "Invalid class string";
inline constexpr const char SOleUnavailable[] = "Operation unavailable";
inline constexpr const char SOleDisconnected[] = "The object invoked has disconnected from its clients";
inline constexpr const char SOleUnspecified[] = "Unspecified error";
inline constexpr const char SOleErrorCode[] = "OLE error %.8X";

// ---- reportlang: values, tables, compiler, machine, built-in functions -------------------------
// values, tables, compiler, machine
inline constexpr const char SQoEmptyName[] = "Empty name is illegal";
inline constexpr const char SQoTypeMismatch[] = "%s: Type mismatch (%s и %s)";
inline constexpr const char SQoInapplicable[] = "%s: Operation is inapplicable for given type (%s)";
inline constexpr const char SQoDivisionByZero[] = "%s: Division on 0 (%s)";
inline constexpr const char SQoIllegalSymbol[] = "Illegal symbol";
inline constexpr const char SQoIllegalSymbolS[] = "Illegal symbol: %s";
inline constexpr const char SQoRequired[] = "Required %s";
inline constexpr const char SQoVariableNotFound[] = "%s: Variable is not found";
inline constexpr const char SQoUnexpectedEndOfBlock[] = "Unexpected end of block";
inline constexpr const char SQoUnexpectedEndOfLine[] = "Unexpected end of line";
inline constexpr const char SQoIdentifier[] = "identifier";
inline constexpr const char SQoNumber[] = "number";
inline constexpr const char SQoName[] = "name";
inline constexpr const char SQoNestingTooDeep[] = "Nesting is too deep";
inline constexpr const char SQoIncorrectParamCount[] = "%s: Incorrect quantity of parameters of call";
inline constexpr const char SQoNoAutomationObject[] = "%s: Automation object is not assigned";
inline constexpr const char SQoPadTooWide[] = "%s: width %d is more than %d characters";
inline constexpr const char SQoExecutionAborted[] = "Execution is aborted";

// ---- reportlang: built-in functions --------------------------------------------------------------
inline constexpr const char SQoInputString[] = "Form of input of string";
inline constexpr const char SQoInputDate[] = "Form of input of date";
inline constexpr const char SQoInputNumber[] = "Form of input of number";
inline constexpr const char SQoAllFiles[] = "All files";
inline constexpr const char SQoNotReportFunction[] = "%s is not a report function of the function table";

// ---- report: component, template, run, report object functions ---------------------------------
// component, registry, presenter
inline constexpr const char SQoNotLinkedReport[] = "It is not linked of any descendant from TCustomReport";
inline constexpr const char SQoReportProcessingError[] = "Error of processing of report";
inline constexpr const char SQoNoTemplateRun[] = "%s: there is no template to run";
inline constexpr const char SQoNoReportPresenter[] =
    "%s: no report presenter is installed (the widget library provides preview and printing)";
inline constexpr const char SQoObjectsName[] = "Name";
inline constexpr const char SQoObjectsHint[] = "Hint";
// predefined variables' hints
inline constexpr const char SQoHintFileName[] = "File name";
inline constexpr const char SQoHintPageNum[] = "Page number";
inline constexpr const char SQoHintRecNum[] = "Current record number";
inline constexpr const char SQoHintLineNum[] = "Current line number";
inline constexpr const char SQoHintCurTime[] = "Current time";
inline constexpr const char SQoHintCurDate[] = "Current date";
// run
inline constexpr const char SQoInterruptByUser[] = "Operation is interrupt by user";
inline constexpr const char SQoNotPrepared[] = "%s: the report is not prepared";
inline constexpr const char SQoNestedTooDeep[] = "Nested reports are too deep (reports include one another)";
inline constexpr const char SQoReportRunning[] = "%s: the report is running (it prints itself)";
inline constexpr const char SQoOutputNotOpen[] = "%s: the report output is not open";
inline constexpr const char SQoOutputCreate[] = "Cannot create the report output %s: %s";
inline constexpr const char SQoOutputWrite[] = "Cannot write the report output %s: %s";
inline constexpr const char SQoOutputRead[] = "Cannot read the report output %s: %s";
inline constexpr const char SQoOutputRename[] = "Cannot rename the report output %s to %s: %s";
// report object functions
inline constexpr const char SQoIncludeTooDeep[] = "Include: included reports are nested more than %d deep";
inline constexpr const char SQoIncludeRunning[] = "Include: the included report is already running (it includes itself)";

// ---- output: output file, page model, viewer ---------------------------------------------------
// Face names of the font code's families (Arial 0, Courier New 1 and 15, Times New Roman 2).
inline constexpr const char SQoFontArial[] = "Arial";
inline constexpr const char SQoFontCourierNew[] = "Courier New";
inline constexpr const char SQoFontTimesNewRoman[] = "Times New Roman";
inline constexpr const char SQoNoViewInfo[] = "There is no information for viewing";

// ---- report road (data files, runner) ----------------------------------------------------------
inline constexpr const char SDatabaseFileNotFound[] = "database file not found: %s";
inline constexpr const char SNoOutputWritten[] = "no records printed: no output written";
// ---- output widgets: printing, PDF, background printing, export (viewer) ------------------------
inline constexpr const char SQoPrinterBusy[] = "Printer is busy. Repeat print later";
inline constexpr const char SQoConfirmPrint[] = "Are you sure, that want to print?";
inline constexpr const char SQoNoOfficeLink[] =
    "Export to the word processor is not available: no office link is installed";
inline constexpr const char SQoPrintStart[] = "Cannot start printing on %s";
inline constexpr const char SQoPdfWrite[] = "Cannot write the PDF file %s: %s";
inline constexpr const char SQoFontMissing[] =
    "The font file %s.ttf is not installed (the Liberation fonts are needed to draw reports)";
inline constexpr const char SQoBackgroundPrint[] = "Background printing failed: %s";

// ---- widgets: preview window, text editor, find ------------------------------------------------
inline constexpr const char SQoPreviewCaption[] = "Preview of report: ";
inline constexpr const char SQoPageCount[] = "from %d";
inline constexpr const char SQoOverwriteFile[] = "Do you want to overwrite %s ?";
inline constexpr const char SQoPreviewSaveFilter[] = "All files (*.*)|*.*|Text file (*.TXT)|*.TXT";
inline constexpr const char SQoPdfFilter[] = "PDF file (*.PDF)|*.PDF";
inline constexpr const char SQoEditCaption[] = "%s - %s";
inline constexpr const char SQoUntitled[] = "Untitled";
inline constexpr const char SQoSaveChanges[] = "Do you want save changes in %s?";
inline constexpr const char SQoEditFilter[] =
    "Report file (*.PRN)|*.PRN|Template file (*.FMT)|*.FMT|Text file (*.TXT)|*.TXT|RTF file (*.RTF)|*.RTF|All files (*.*)|*.*";
inline constexpr const char SQoTextNotFound[] = "\"%s\" is not found";
inline constexpr const char SQoFileRead[] = "Cannot read the file %s: %s";
inline constexpr const char SQoFileWrite[] = "Cannot write the file %s: %s";
inline constexpr const char SQoNoPrinterNamed[] = "There is no printer named %s";
inline constexpr const char SQoNoDefaultPrinter[] = "There is no default printer";

// ---- office documents: the office link and the built-in office servers ---------------------------
inline constexpr const char SQoOLEError[] = "Error in OLE application: ";
inline constexpr const char SQoOLEIncorrectType[] = "Incorrect type of OLE application";
inline constexpr const char SOleNoMember[] = "%s: the %s object has no member %s";
inline constexpr const char SOleServerFailure[] = "%s: %s.%s: %s";
inline constexpr const char SOleReadOnly[] = "the property is read-only";
inline constexpr const char SOleBadIndex[] = "index %s is out of range";
inline constexpr const char SOleBadArgument[] = "invalid argument";
inline constexpr const char SOleServerQuit[] = "The application has quit";
inline constexpr const char SOleDocumentClosed[] = "the document is closed";
inline constexpr const char SOleSaveFailed[] = "Cannot save the document %s: %s";
inline constexpr const char SOleNotInDocument[] = "the range belongs to another document";

// ---- widgets/grid: grid popup menu, grid commands and their windows ---------------------------
// The shared popup menu's captions (the shortcut text is part of the caption).
inline constexpr const char SPuReportList[] = "Report list...                                          Ctrl+F7";
inline constexpr const char SPuReportDef[] = "Default report...                                     Alt+F7";
inline constexpr const char SPuReportExpert[] = "Report expert...";
inline constexpr const char SPuLoadState[] = "Load state...                                               F3";
inline constexpr const char SPuSaveState[] = "Save state...                                      Shift+F3";
inline constexpr const char SPuClearState[] = "Clear state                                           Ctrl+F3";
inline constexpr const char SPuBuilder[] = "Query builder...                                    Ctrl+F9";
inline constexpr const char SPuChoice[] = "Choose/Clean selected records            Alt-F9";
inline constexpr const char SPuLockSearch[] = "Lock search (On/Off)                                 F9";
inline constexpr const char SPuMemo[] = "Excerpt                                                       F8";
inline constexpr const char SPuCalcSum[] = "Record count                                      Ctrl+F8";
inline constexpr const char SPuRepeat[] = "Autorepeat...";
inline constexpr const char SPuClearChoice[] = "Clear selection                                             /";
inline constexpr const char SPuInvertChoice[] = "Inverse selection                                         *";
inline constexpr const char SPuChoiceDef[] = "Select by current column                            +";
inline constexpr const char SPuChoiceKey[] = "Select by key field                                     Ins";
inline constexpr const char SPuFreeze[] = "Freeze column                                           F7";
inline constexpr const char SPuUnFreeze[] = "Unfreeze column                              Shift+F7";
// grid commands
inline constexpr const char SDsSearchCaption[] = "Search";
inline constexpr const char SDsSearchPrompt[] = "Enter search string";
inline constexpr const char SDsDeleteRecordQuestion[] = "Delete record?";
inline constexpr const char SDsStringNotFound[] = "String \"%s\" is not found.";
inline constexpr const char SPuRepeatCaption[] = "Autorepeat";
inline constexpr const char SPuRepeatPrompt[] = "Enter interval (sec.)";
// the text window and the plan window
inline constexpr const char SPuMemoCaption[] = "Excerpt";
inline constexpr const char SPuMemoPrint[] = "Print";
inline constexpr const char SPuMemoSave[] = "Save";
inline constexpr const char SPuMemoCancel[] = "Cancel";
inline constexpr const char SPuMemoPlan[] = "Explain plan";
inline constexpr const char SPuMemoSaveTitle[] = "Enter the file name";
inline constexpr const char SPuMemoSaveFilter[] = "Text files(*.TXT)|*.TXT|All files(*.*)|*.*";
inline constexpr const char SPuPlanCaption[] = "Plan of the query";
inline constexpr const char SPuPlanExit[] = "Exit";
// saved column layouts
inline constexpr const char SGridColumnsDamaged[] = "The grid column layout \"%s\" cannot be read: %s";
inline constexpr const char SGridColumnsVersion[] = "format version %d is newer than this program reads (%d)";

// ---- core/grid: search grid logic, record count (gridcore's block) -----------------------------
inline constexpr const char SDsQueryMistake[] = "Mistake of performance of query.";
inline constexpr const char SDsSumOnField[] = "Sum on current field: ";
inline constexpr const char SDsLinesCount[] = "Lines count: ";
inline constexpr const char SFileMapDirectory[] = "Can not map a directory: %s";
inline constexpr const char SDuplicateOwnedItem[] = "An owning list does not take the same object twice (index %d)";

// ---- core/grid: query builder, grid states (statecore's block) ---------------------------------
// the builder's operators and separators (texts of the operator list)
inline constexpr const char SQoNotLikeStr[] = " not like to ";
inline constexpr const char SQoLikeStr[] = " like to ";
inline constexpr const char SQoNotListIn[] = " not in list ";
inline constexpr const char SQoListIn[] = " in list ";
inline constexpr const char SQoNotIsEmpty[] = " not null ";
inline constexpr const char SQoIsEmpty[] = " null ";
inline constexpr const char SQoORDelimiter[] = "-- OR --";
inline constexpr const char SQoOnIncrease[] = "on increase";
inline constexpr const char SQoOnDecrease[] = "on decrease";
// values that do not fit their fields
inline constexpr const char SQoBuilderNotNumber[] = "Condition \"%s\": \"%s\" is not a number";
inline constexpr const char SQoBuilderNotDate[] = "Condition \"%s\": \"%s\" is not a date";
inline constexpr const char SQoBuilderNotQuoted[] = "Condition \"%s\": the value must be text in single quotes";
inline constexpr const char SQoBuilderBadList[] = "Condition \"%s\": the value must be a list of values in parentheses, separated by commas";
inline constexpr const char SQoBuilderNoValue[] = "Condition \"%s\": the operator takes no value";
inline constexpr const char SQoBuilderNotClosed[] = "The conditions of the query builder are not closed SQL (%s)";
inline constexpr const char SQoBuilderBadOrder[] = "The ordering \"%s\" is not a list of the query's fields";
// grid states
inline constexpr const char SQoStateNameEmpty[] = "Name can not be empty";
inline constexpr const char SQoStateClear[] = "Are you sure, that want to clear table state ?";
inline constexpr const char SQoStateAddError[] = "Error of addition of state \"%s\" in group \"%s\"";
inline constexpr const char SQoStateTooLong[] = "The %s \"%s\" is longer than %d characters";
inline constexpr const char SQoStateLineBreak[] = "The state \"%s\" cannot be written to a file: a line of its %s list holds a line break";
inline constexpr const char SQoStateFileName[] = "The state \"%s\" of group \"%s\" cannot be written to a file: %s";
inline constexpr const char SQoStateFileWrite[] = "Cannot write the state file %s: %s";
inline constexpr const char SQoStateFileRead[] = "Cannot read the state file %s: %s";
inline constexpr const char SQoStateImportFailed[] = "Import of the state file %s failed: %s";
inline constexpr const char SQoStateLineRefused[] = "The %s line \"%s\" of the state was refused: %s";
inline constexpr const char SQoChooseDirectory[] = "Choose the directory";

// ---- widgets/states: grid state windows (states' block) ----------------------------------------
inline constexpr const char SQoSaveStateCaption[] = "Save of the table state";
inline constexpr const char SQoSaveStateTitle[] = "Enter the title";
inline constexpr const char SQoSaveStateDicTitle[] = "Select the table state";
inline constexpr const char SQoSaveStateDescription[] = "Description";
inline constexpr const char SQoSaveStateSave[] = "Save";
inline constexpr const char SQoChoiceStateCaption[] = "Choice of the table condition";
inline constexpr const char SQoChoiceStateChoose[] = "Choose";
inline constexpr const char SQoChoiceStateExit[] = "Exit";
inline constexpr const char SQoChoiceStateEditor[] = "Editor";
inline constexpr const char SQoStateDelete[] = "Are you sure, that want to delete table state \"%s\". To continue?";
inline constexpr const char SQoStateEditorCaption[] = "Editor of the table state";
inline constexpr const char SQoStateColGroup[] = "State group";
inline constexpr const char SQoStateColName[] = "State name";
inline constexpr const char SQoStateColSearch[] = "List of|search";
inline constexpr const char SQoStateColMark[] = "Mark";
inline constexpr const char SQoStateColBuild[] = "Constructor|of the query";
inline constexpr const char SQoStateColOrder[] = "Order";
inline constexpr const char SQoStateAllGroups[] = "All &groups";
inline constexpr const char SQoStateEdit[] = "Edit";
inline constexpr const char SQoStateAdd[] = "Add";
inline constexpr const char SQoStateDeleteButton[] = "Delete";
inline constexpr const char SQoStateToDisk[] = "To disk";
inline constexpr const char SQoStateFromDisk[] = "From disk";
inline constexpr const char SQoStateSureDelete[] = "Are you sure ?";
inline constexpr const char SQoStateSureToDisk[] = "Are you sure, that want to save table state on disk?";
inline constexpr const char SQoStateSureFromDisk[] = "Are you sure, that want to load table state from disk?";
inline constexpr const char SQoStateName[] = "Name";
inline constexpr const char SQoStateGroup[] = "Group";
inline constexpr const char SQoStateGroups[] = "State groups";
inline constexpr const char SQoStatePageSearch[] = "Search";
inline constexpr const char SQoStatePageMark[] = "Mark";
inline constexpr const char SQoStatePageBuild[] = "Constructor";
inline constexpr const char SQoStatePageOrder[] = "Order";
inline constexpr const char SQoStateCancel[] = "Cancel";
inline constexpr const char SQoStateLinesRefused[] = "Some lines of the state \"%s\" were not loaded:\n%s";
inline constexpr const char SQoStateExists[] = "The state \"%s\" already exists in group \"%s\"";
inline constexpr const char SQoGetDirChoose[] = "Choose";
inline constexpr const char SQoGetDirDrive[] = "Drive";

// ---- entry: the dictionary button and its choice window (dic's block) --------------------------
inline constexpr const char SQoDicCaption[] = "Choice from the dictionary";
inline constexpr const char SQoDicChoose[] = "Choose";
inline constexpr const char SQoDicCancel[] = "Cancel";
inline constexpr const char SQoDicNotFound[] = "???";
inline constexpr const char SQoDicInvalidValue[] = "Invalid value";
inline constexpr const char SQoDicNoParam[] = "Parameter in query is necessary: %s";
inline constexpr const char SGridIndexOutOfRange[] = "Grid index out of range";

// ---- core/entry: record links (links' block) ---------------------------------------------------
inline constexpr const char SPtDataChanged[] = "Data was changed. Save ?";

}  // namespace bexlo::msg

// ---- widgets/builder: the query builder's windows (builder's block) ---------------------------
namespace bexlo::msg {
inline constexpr const char SQoBuilderCaption[] = "Query builder";
inline constexpr const char SQoAreYouSure[] = "Are you sure ?";
inline constexpr const char SQoBuilderConditions[] = "Conditions";
inline constexpr const char SQoBuilderOrder[] = "Order";
inline constexpr const char SQoBuilderFields[] = "Fields";
inline constexpr const char SQoBuilderOperators[] = "Operators";
inline constexpr const char SQoBuilderConditionList[] = "Conditions of the search";
inline constexpr const char SQoBuilderOrderList[] = "Sort order";
inline constexpr const char SQoBuilderValue[] = "&Value:";
inline constexpr const char SQoBuilderDirection[] = "&Direction:";
inline constexpr const char SQoBuilderAdd[] = "+";
inline constexpr const char SQoBuilderAddOperator[] = "<";
inline constexpr const char SQoBuilderAddField[] = ">";
inline constexpr const char SQoBuilderOr[] = "OR";
inline constexpr const char SQoBuilderAddHint[] = "Add the selected field as a new condition";
inline constexpr const char SQoBuilderOperatorHint[] = "Put the selected operator into the selected condition";
inline constexpr const char SQoBuilderFieldHint[] = "Compare the selected condition with the selected field";
inline constexpr const char SQoBuilderOrHint[] = "Start a group of conditions joined by OR";
inline constexpr const char SQoBuilderOrderAddHint[] = "Sort by the selected field";
inline constexpr const char SQoBuilderValues[] = "List of values";
inline constexpr const char SQoBuilderDelete[] = "Delete";
inline constexpr const char SQoBuilderClear[] = "Clear";
inline constexpr const char SQoBuilderSave[] = "Save";
inline constexpr const char SQoBuilderExecute[] = "Execute";
inline constexpr const char SQoBuilderCancel[] = "Cancel";
inline constexpr const char SQoValuesLoad[] = "Load";
inline constexpr const char SQoValuesSave[] = "Save";
inline constexpr const char SQoValuesOK[] = "OK";
inline constexpr const char SQoValuesLoadTitle[] = "Choose list of values";
inline constexpr const char SQoValuesSaveTitle[] = "Choose file for save";
inline constexpr const char SQoValuesFilter[] = "All files (*.*)|*.*";
inline constexpr const char SQoValuesExt[] = "FMT";
// grid multi-selection (grid13)
inline constexpr const char SDsDeleteMultipleRecordsQuestion[] = "Delete all selected records?";
inline constexpr const char SDsDeleteSelectedFailed[] = "%d of %d selected records were deleted; the rest stay selected.\r\n%s";

}  // namespace bexlo::msg
