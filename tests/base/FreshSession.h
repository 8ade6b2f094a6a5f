#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "base/InstallerSession.h"

// Each case starts with a new session and removes the default cab folder it made.
class FreshSessionTest : public ::testing::Test {
protected:
    void SetUp() override { InstallerSession::Release(); }
    void TearDown() override {
        const std::wstring& made = InstallerSession::Instance().GetMadeDefaultCabPath();
        if (!made.empty()) ::RemoveDirectoryW(made.c_str());
        InstallerSession::Release();
    }
};
