// The scanner of table descriptions. It is at the same time the table model: each token
// rule calls a Table operation directly, and the first non-zero result ends the scan.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#ifndef yyFlexLexerOnce
#include <FlexLexer.h>
#endif

#include "qorlex/model/table.h"

class LexTable : public yyFlexLexer, public Table {
  public:
    // Results of scanTableFile besides 0 and the ErrorCodes.
    static constexpr int CANNOT_OPEN = -1;  // the table file cannot be opened for reading
    static constexpr int FATAL = -2;        // a fatal scanner error; see fatalMessage()

    // The blocks of a description in the order they come; each has its start condition and
    // its name in messages in one table in lex_table.l.
    static constexpr int BLOCK_START = 0;
    static constexpr int BLOCK_KLASSEN = 1;
    static constexpr int BLOCK_AUSPRAEGUNGEN = 2;
    static constexpr int BLOCK_BASIS = 3;
    static constexpr int BLOCK_RESTRIKTIONEN = 4;
    static constexpr int BLOCK_COUNT = 5;

    LexTable();
    ~LexTable() override;

    // Reads the whole table description. 0 when it was read completely and correctly,
    // else the ErrorCode of the first error, CANNOT_OPEN or FATAL. Called once.
    int scanTableFile(const std::string& tableFile, const std::string& tableDirectory);
    // Reads a whole table description held in `text`, exactly as scanTableFile reads a file
    // of these bytes (CANNOT_OPEN aside). `text` must outlive the scan.
    int scanText(std::string_view text, const std::string& tableDirectory);

    int lineNumber() const { return lineNumber_; }
    int blockIndex() const { return blockIndex_; }
    // "START", "KLASSEN", "AUSPRAEGUNGEN", "BASIS" or "RESTRIKTIONEN".
    const char* blockName() const;
    // The text of the token matched last; empty at the end of the input.
    const char* positionText() const;
    // The message of a FATAL result.
    const std::string& fatalMessage() const { return fatalMessage_; }

    int yylex() override;

  protected:
    int LexerInput(char* buffer, int maxSize) override;
    void LexerOutput(const char* buffer, int size) override;
    void LexerError(const char* message) override;
    void declarationsClosed() override;
    int descriptionLine() const override { return lineNumber_; }

  private:
    // Rule actions that do more than one thing.
    void nextLine() { ++lineNumber_; }
    int openClasses();
    int openCharacteristics();
    int openBaseTable();
    int openRestrictions();
    int readAsciiFile();
    int readDbfFile();
    int openReferenceInBasis();
    int openReferenceInRestrictions();
    int closeReference();
    int nextRestriction();
    // Adds the token just matched to the statement being read; false when memory runs out.
    bool keepStatementToken();
    int endOfInput(int result);
    // Rule A5; a byte above 127 gets a message that names the word it stands in.
    int unfeasibleCharacter();
    // A name in a cell reference; one cut short by a byte above 127 gets that byte's message.
    int addIndexName();
    // The input around the token matched last, as far as the scanner's buffer holds it, and
    // where in it the token begins.
    std::string textAroundToken() const;
    std::size_t tokenOffset() const;
    // For the byte `text[at]` that rule A5 refused: the message of a byte above 127.
    void noteUnfeasibleByte(const std::string& text, std::size_t at);
    int scanFromStart();
    // Makes `block` the current block, with its start condition.
    void enterBlock(int block);
    int scan();
    // The next `size` bytes of the file or the text at most; their count, 0 at the end.
    std::size_t readSource(char* buffer, std::size_t size);
    // Consumes the next byte of the source when it is `wanted`.
    bool takeFromSource(char wanted);

    std::FILE* file_ = nullptr;  // the source, or else text_
    std::string_view text_;
    int lineNumber_ = 1;
    int blockIndex_ = BLOCK_START;
    int returnCondition_ = 0;
    bool atEnd_ = false;
    bool atSourceStart_ = true;     // nothing read yet
    bool keepsStatements_ = false;  // in RESTRIKTIONEN: tokens go to the statements' texts
    std::string fatalMessage_;
};
