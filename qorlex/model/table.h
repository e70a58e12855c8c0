// The table model: everything a table description declares, recorded and checked token
// by token while the scanner reads it.
//
// Classes and characteristics are declared in KLASSEN and AUSPRAEGUNGEN, the base table
// in BASIS (reduced to the adjustable cells at RESTRIKTIONEN), the restrictions in
// RESTRIKTIONEN. Every operation returns OK or the ErrorCode of the first problem; `phase`
// is the position inside the current statement.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/allocation.h"
#include "common/base_arrays.h"
#include "common/input_record.h"
#include "common/table_limits.h"
#include "qorlex/model/column_cover.h"
#include "qorlex/model/error_code.h"
#include "qorlex/model/index_stack.h"
#include "qorlex/model/name_list.h"
#include "qorlex/model/negative_cells.h"
#include "qorlex/model/repeated_cells.h"
#include "qorlex/model/restriction.h"
#include "qorlex/model/statement_phase.h"
#include "qorlex/model/statement_texts.h"
#include "qorlex/model/string_pool.h"

// How an index or a declaration item was written: as a number or as a name.
enum class ItemKind { NUMBER, NAME };

class Table {
  public:
    static constexpr int MAX_GROUPS = 1024;  // one more than a restriction may use

    Table() = default;
    virtual ~Table() = default;
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Classes and characteristics.
    ErrorCode beginClasses();
    ErrorCode addClass(const char* text, ItemKind kind);
    ErrorCode endClasses();
    ErrorCode beginCharacteristics();
    ErrorCode selectClass(const char* text, ItemKind kind);
    ErrorCode acceptAssignment();
    ErrorCode addCharacteristic(const char* text, ItemKind kind);
    ErrorCode endCharacteristicList();
    ErrorCode endCharacteristics();
    ErrorCode allocateCells();
    ErrorCode beginBaseTable();

    int32_t classSize(int classIndex) const;
    // The class's name as declared; nullptr for an index out of range.
    const char* className(int classIndex) const {
        return classIndex >= 0 && classIndex < classCount ? classNames[classIndex] : nullptr;
    }
    bool hasCharacteristicNames(int classIndex) const;
    const char* characteristicName(int classIndex, int32_t index) const;
    int32_t findCharacteristic(int classIndex, std::string_view name) const;

    // Cell references.
    ErrorCode setupIndexRanges();
    ErrorCode beginCellReference();
    ErrorCode addIndex(const char* text, ItemKind kind);
    ErrorCode addRangeSeparator(char character);
    ErrorCode endIndexItem(char character);
    ErrorCode endCellReference();
    // Writes the cells of the reference just read to `out`; `expandedCells` = their number.
    ErrorCode expandCells(int32_t* out, int64_t room);

    // Base table.
    // `text` is the whole token, ASCII[file] or DBF[file][c], which may hold NUL bytes.
    ErrorCode readAsciiBaseFile(std::string_view text);
    ErrorCode readDbfBaseFile(std::string_view text);
    ErrorCode assignAll();
    ErrorCode addBaseValue(const char* text);
    ErrorCode endBaseStatement();
    ErrorCode finishBaseTable();

    // Restrictions.
    ErrorCode beginRestrictions(bool withBasis);
    ErrorCode beginRestriction();
    ErrorCode addSign(char character);
    ErrorCode addRelation(char character);
    ErrorCode addNumber(const char* text);
    ErrorCode endRestriction();
    ErrorCode finishRestrictions();

    const RestrictionList& restrictions() const { return restrictionList; }
    // Each stored restriction's statement as written and the line it starts on, in the
    // order of restrictions().
    const StatementTexts& statements() const { return statementTexts; }

    // After a failure: one line that tells where and why beyond the code's fixed text (which
    // line and field of a base file, which name, cells or byte of the description), for the
    // user to find the place in a file of a million lines; empty when there is nothing to add.
    const std::string& problem() const { return problem_; }
    // Lines about what is allowed but usually a mistake (a negative base value, a cell on two
    // lines of a base file), in the order found; a kind's lines beyond the first few are
    // counted in one line.
    const std::vector<std::string>& notices() const { return notices_; }
    // The files read: the description, then each base file once.
    const InputRecord& inputsRead() const { return inputsRead_; }

    // The adjustable cells; their bounds are completed by the array generation.
    const BaseArrays& baseArrays() const { return baseArrays_; }
    BaseArrays& baseArrays() { return baseArrays_; }

    // The state of the statement being read, as the block's states name it.
    template <StatementPhase Phase>
    bool inPhase(Phase state) const {
        return phase_ == static_cast<int32_t>(state);
    }
    int32_t phase() const { return phase_; }

    int32_t classCount = 0;
    int32_t tableSize = 0;
    int32_t restrictionCount = 0;

  protected:
    template <StatementPhase Phase>
    void setPhase(Phase state) {
        phase_ = static_cast<int32_t>(state);
    }
    // Directory of the table description (up to and including the last '/'), where base
    // files named without a usable path are looked for.
    void setDirectory(const std::string& directory) { directory_ = directory; }
    // The table description's name as given, for messages; empty for a description that is
    // no file.
    void setDescriptionName(const std::string& name) { descriptionName_ = name; }
    // The line of the description being read, from 1; 0 where it is not known.
    virtual int descriptionLine() const { return 0; }
    // "table.txt:12: ", where in the description the token just read stands.
    std::string descriptionPlace() const;
    void setProblem(std::string problem) { problem_ = std::move(problem); }
    // Adds a file read, opened under `name`, to inputsRead().
    void noteInput(const std::string& name, std::FILE* file) {
        recordInput(inputsRead_, name, file);
    }

    // Where the scanner puts the tokens of the statement being read; a restriction stored
    // keeps them.
    StatementTexts& statementBeingRead() { return statementTexts; }

    // Called by beginRestrictions once the declarations before the restrictions are
    // closed, before anything of the restrictions is set up.
    virtual void declarationsClosed() {}

  private:
    template <StatementPhase Phase>
    Phase phaseIn() const {
        return static_cast<Phase>(phase_);
    }
    ErrorCode closeTerm();
    ErrorCode expandInto(int64_t at, int64_t room);
    ErrorCode storeRestriction();
    void addToSums(double termCoefficient, int32_t count);
    void forgetEntries();
    ErrorCode closeBaseBlock();
    // Gives `cell` the value read as `text` on line `line` of the delimited file being read.
    void setDbfCell(int32_t cell, double value, std::string_view text, int64_t line);
    // Keeps track of a value of 0 or below given to `cell`, written `text()` at `place()`
    // ("file:line: "; both called only when needed), and forgets a negative value the cell
    // had.
    template <class Text, class Place>
    void noteValue(int32_t cell, double value, Text text, Place place) {
        if (value > 0) {
            negativeCells.forget(cell);
            return;
        }
        anyNotPositiveGiven = true;
        if (value == 0) {
            negativeCells.forget(cell);
        } else {
            anyNegativeGiven = true;
            if (negativeCells.wants(cell)) noteNegative(cell, text(), place());
        }
    }
    // Notes the negative value written `text` that `cell` was given at `place`.
    void noteNegative(int32_t cell, std::string_view text, const std::string& place);
    // "class 2 (Age)", or "class 2" for a class without a name.
    std::string classLabel(int classIndex) const;
    // "(North, 2)": a cell by the names of its characteristics, or their numbers.
    std::string cellText(int64_t cell) const;
    // `"Genf" is not a characteristic of class 1 (Region)` and what the name may have meant:
    // the nearest names, or the class that has it; with `listNames`, the class's names too.
    std::string nameNotFound(int classIndex, std::string_view name, bool listNames) const;
    // "3 index items expected".
    std::string indexItemsExpected() const;
    // Why field `k` (0-based) of a DBF line is no index of class `k`.
    std::string indexFieldProblem(int k, std::string_view field, int64_t line) const;
    // The lines that name the cells the DBF file just read gives more than once.
    void noteRepeatedCells(const std::string& path);
    // Why a line of a DBF file without its separator `separator` is refused: a line of the
    // table written with another separator; empty for a line to skip.
    std::string otherSeparatorProblem(std::string_view line, const char* text, char separator);
    // What the base statements read, for a table without a positive cell.
    std::string zeroTableProblem() const;
    // Which cells a restriction without an entry named, and why they have base 0.
    std::string zeroBaseProblem() const;

    BaseArrays baseArrays_;
    std::string directory_;
    std::string descriptionName_;
    std::string problem_;
    std::vector<std::string> notices_;
    InputRecord inputsRead_;
    int32_t phase_ = 0;

    // Declarations.
    int32_t declarationsRead = 0;  // class lists of AUSPRAEGUNGEN read so far
    int32_t listCount = 0;
    bool listNamed = false;  // the list being read gives names, not a count
    int32_t currentClass = 0;
    bool classesClosed = false;
    StringPool names;
    const char* classNames[MAX_CLASSES] = {};
    std::vector<NameList> characteristics;

    // Cell reference being read.
    int32_t referenceClass = 0;  // the class of the index item being read
    RangeState rangeState = RangeState::NONE;
    int32_t rangeLow = 0;
    int32_t rangeHigh = 0;
    IndexStack indexRanges;
    int32_t expandedCells = 0;  // cells the last expansion produced

    // Per-cell arrays, while BASIS is read.
    // Cells of the expanded references; grows with the largest statement, up to tableSize.
    std::vector<int32_t> cellBuffer;
    // The value of each cell; NaN for cells no statement has given a value.
    std::vector<double> cellValues;
    // While a DBF file is read: the cells its lines give, unless that did not fit.
    RepeatedCells repeatedCells;
    bool repeatsNotLookedFor = false;
    NegativeCells negativeCells;
    // What each base statement read, for a table that ends up without a positive cell.
    struct BaseSource {
        std::string path;
        char separator = 0;    // of a delimited file; 0 for a file of numbers
        int64_t lines = 0;     // lines read of a delimited file, numbers of a file of numbers
        int64_t values = 0;    // cell values given
        int64_t positive = 0;  // of them above 0
        // Lines without the separator that hold each of USUAL_SEPARATORS.
        int64_t otherSeparatorLines[4] = {};
    };
    std::vector<BaseSource> baseSources;
    int64_t valuesInDescription = 0;
    int64_t positiveInDescription = 0;
    // Whether a statement gave a cell a value of 0 or below, or below 0: without, no cell of
    // base 0 was given a value, and none is negative.
    bool anyNotPositiveGiven = false;
    bool anyNegativeGiven = false;
    // After BASIS, when some cell was given 0 or below: one bit per cell, set when a statement
    // gave the cell a value (0 and negative values too); empty when it is not needed, or when
    // it does not fit (then givenCellsUnknown).
    std::vector<uint64_t> givenCells;
    bool givenCellsUnknown = false;

    // Per-column arrays of RESTRIKTIONEN.
    // Room for every column each, of which a table of single-term restrictions touches only
    // as much as its largest term covers.
    ColumnCover columnCover;
    ZeroedArray<int32_t> termColumns;  // the columns of the term being closed
    // Coefficient sums of the restriction being read, by column; 0 outside its entries.
    ZeroedArray<double> columnSums;
    ZeroedArray<uint8_t> columnInEntries;  // whether a column is among entryColumns

    // Value list of BASIS.
    int32_t valueCount = 0;
    int64_t valueCursor = 0;

    // Restriction being read.
    int32_t relation = 0;
    double weight = 0.0;
    int32_t groupCount = 0;        // runs of terms with equal coefficients
    int64_t cellRoom = 0;          // cells the terms may still name, repeats counted
    int64_t termCells = 0;         // cells the terms have named, repeats counted
    double lastCoefficient = 0.0;  // the coefficient of the current group
    double coefficient = 1.0;
    double sign = 1.0;
    double upperValue = 0.0;
    double lowerValue = 0.0;
    int32_t termCount = 0;
    // The first term's columns, the first entries of termColumns, and its coefficient.
    int32_t firstTermColumns = 0;
    double firstTermCoefficient = 0.0;
    // From a second term on: the columns the terms cover, in the order first covered; room
    // for every column.
    std::vector<int32_t> entryColumns;
    // The first cells the terms named, and whether any term covered an adjustable cell: for
    // the message of a restriction without entries.
    static constexpr int SHOWN_TERM_CELLS = 3;
    int32_t shownTermCells[SHOWN_TERM_CELLS] = {};
    int32_t shownTermCellCount = 0;
    bool termsCoverColumns = false;

    RestrictionList restrictionList;
    StatementTexts statementTexts;
};
