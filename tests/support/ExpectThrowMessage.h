// EXPECT_THROW_MSG(statement, Type, message): the statement throws a Type
// whose what() is `message`. In place of hand-written try/catch blocks.
#pragma once

#include <gtest/gtest.h>

#include <string>

#define EXPECT_THROW_MSG(statement, Type, message)                                \
  do {                                                                            \
    try {                                                                         \
      statement;                                                                  \
      ADD_FAILURE() << #statement " threw nothing; expected " #Type;              \
    } catch (const Type& thrown_) {                                               \
      EXPECT_EQ(std::string(thrown_.what()), std::string(message)) << #statement; \
    }                                                                             \
  } while (false)
