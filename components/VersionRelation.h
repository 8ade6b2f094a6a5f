#pragma once

#include <string>

// The ordered comparisons of installed checks: "version_eq", "version_lt",
// "version_le", "version_gt" and "version_ge". Each check decides itself which
// side is left and what its plain "version" means.
bool IsVersionRelation(const std::wstring& comparison);
// Whether the relation holds for order, the left side compared with the right: -1, 0 or 1.
bool VersionRelationHolds(const std::wstring& comparison, int order);
