// The position inside the statement being read, kept in Table's phase: one set of states per
// block, with the values the language's definition gives them. Every statement element
// checks the state first (a token out of place is INCOMPLETE_DECLARATION) and sets the next.
#pragma once

#include <concepts>
#include <cstdint>

// KLASSEN
//   OPEN         --count-->  COUNT_GIVEN     (names keep the state)
//   any          --";"-->    CLOSED          (also from the AUSPRAEGUNGEN keyword)
enum class ClassPhase : int32_t {
    OPEN = 0,         // before and inside the class list
    COUNT_GIVEN = 1,  // the number of classes was given
    CLOSED = 2,       // the class list is closed
};

// AUSPRAEGUNGEN
//   NO_LIST_OPEN --class "="-->  IN_LIST  --count or ";"-->  NO_LIST_OPEN
//   NO_LIST_OPEN --next block-->  CLOSED
enum class CharacteristicPhase : int32_t {
    IN_LIST = 0,       // a class was selected; its count or names follow
    NO_LIST_OPEN = 1,  // ready for the next class: the last list is complete
    CLOSED = 2,        // every class was declared
};

// BASIS
//   READY  --"(" reference ")"-->  AFTER_REFERENCE  --value-->  IN_VALUE_LIST  --";"-->  READY
//   IN_VALUE_LIST  --value-->  IN_VALUE_LIST
//   AFTER_REFERENCE  --"="-->  AFTER_ASSIGNMENT  --value-->  READY
//   READY  --ASCII[...] or DBF[...][.]-->  READY;   READY  --RESTRIKTIONEN-->  CLOSED
enum class BasePhase : int32_t {
    READY = 1,             // between statements
    CLOSED = 2,            // the base table is complete
    AFTER_REFERENCE = 3,   // a cell reference was read
    IN_VALUE_LIST = 4,     // values for the reference's cells, one after the other
    AFTER_ASSIGNMENT = 5,  // "=" after the reference: one value for all its cells
};

// RESTRIKTIONEN
//   BETWEEN_STATEMENTS  --(the next statement begins)-->  EXPECT_TERM
//   EXPECT_TERM  --sign-->  AFTER_SIGN;   EXPECT_TERM or AFTER_SIGN  --number-->
//   AFTER_COEFFICIENT;   EXPECT_TERM, AFTER_SIGN or AFTER_COEFFICIENT  --reference-->
//   AFTER_REFERENCE  --sign-->  AFTER_SIGN  (the term is closed)
//   AFTER_REFERENCE  --relation-->  AFTER_RELATION  --number-->  AFTER_FIRST_VALUE
//   AFTER_FIRST_VALUE  --number-->  COMPLETE
//   AFTER_FIRST_VALUE or COMPLETE  --";"-->  BETWEEN_STATEMENTS;  so does ";" on EXPECT_TERM
//   of a statement without terms
enum class RestrictionPhase : int32_t {
    EXPECT_TERM = 0,         // the statement has begun, or a term was closed
    BETWEEN_STATEMENTS = 1,  // ready for the next statement
    AFTER_REFERENCE = 3,     // a cell reference was read
    AFTER_SIGN = 6,          // "+" or "-" before a term
    AFTER_COEFFICIENT = 7,   // the term's coefficient
    AFTER_FIRST_VALUE = 8,   // the first number after the relation
    AFTER_RELATION = 9,      // one of > < | = ~
    COMPLETE = 10,           // the second number: an upper value or a weight
};

// A cell reference ends in the same state in BASIS and in RESTRIKTIONEN.
static_assert(static_cast<int32_t>(BasePhase::AFTER_REFERENCE) ==
              static_cast<int32_t>(RestrictionPhase::AFTER_REFERENCE));

template <class Phase>
concept StatementPhase =
    std::same_as<Phase, ClassPhase> || std::same_as<Phase, CharacteristicPhase> ||
    std::same_as<Phase, BasePhase> || std::same_as<Phase, RestrictionPhase>;

// Inside a cell reference, the index item being read:
//   NONE  --index-->  LOW  --"_" or "&"-->  SEPARATOR  --index-->  COMPLETE
//   NONE  --"_"-->  SEPARATOR;  "," "+" "-" ")" complete a LOW or SEPARATOR item and store it
enum class RangeState : int32_t {
    NONE = 0,       // nothing of the item yet
    LOW = 1,        // its first index
    SEPARATOR = 2,  // the range separator, with or without a first index
    COMPLETE = 3,   // both ends
};
