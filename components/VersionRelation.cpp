#include "components/VersionRelation.h"

bool IsVersionRelation(const std::wstring& comparison) {
    return comparison == L"version_eq" || comparison == L"version_lt" || comparison == L"version_le" ||
           comparison == L"version_gt" || comparison == L"version_ge";
}

bool VersionRelationHolds(const std::wstring& comparison, int order) {
    if (comparison == L"version_eq") return order == 0;
    if (comparison == L"version_lt") return order < 0;
    if (comparison == L"version_le") return order <= 0;
    if (comparison == L"version_gt") return order > 0;
    return order >= 0;
}
