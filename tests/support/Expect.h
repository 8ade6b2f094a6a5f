#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

// Expects the statement to throw the standard exception with exactly this message.
#define EXPECT_THROW_MESSAGE(statement, expected)                                   \
    do {                                                                             \
        try {                                                                        \
            statement;                                                               \
            ADD_FAILURE() << "Expected an exception with message: " << (expected);   \
        } catch (const std::exception& e_) {                                         \
            EXPECT_EQ(std::string(e_.what()), std::string(expected));                \
        }                                                                            \
    } while (0)

// Expects the statement to throw a standard exception whose message starts with prefix.
#define EXPECT_THROW_PREFIX(statement, prefix)                                       \
    do {                                                                             \
        try {                                                                        \
            statement;                                                               \
            ADD_FAILURE() << "Expected an exception starting with: " << (prefix);    \
        } catch (const std::exception& e_) {                                         \
            EXPECT_EQ(std::string(e_.what()).substr(0, std::string(prefix).size()),  \
                      std::string(prefix)) << "full message: " << e_.what();         \
        }                                                                            \
    } while (0)
