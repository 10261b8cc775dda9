#pragma once
// The site's pages that the program opens in the user's browser: the help
// page "/help" and the member page "/", where uploading would happen. And
// the answer of the update address "/update" to the updater.

#include <string>
#include <vector>

#include "site/catalogue/SongCatalogue.h"

// The whole answer of "/update", plain text.
inline constexpr const char* kUpdateAnswer = "no update\n";

std::string HelpPageHtml(const std::vector<CatalogueSong>& songs);
std::string MemberPageHtml();
