#pragma once
// Pages for testing the program's site pane against awkward sites, served
// under "/edge/" only when the site is started with --edge-pages. Every
// page has a fixed path and every link or element a test clicks has a fixed
// id; the links are blocks of 260 x 22 pixels, one under the other. The
// "music:" links fetch the first demo song unless told otherwise.
//
//   /edge/                  index, links "page-NAME" to each page below
//   /edge/names.html        names that point outside the temp folder:
//                           "dotdot" name=../x, "absolute" name=/tmp/x,
//                           "absolute-encoded" name=%2Ftmp%2Fx,
//                           "dotdot-encoded" name=..%2Fx, "subfolder" name=a/b
//   /edge/answers.html      fetch answers: "empty-answer" (empty body),
//                           "blank-answer" (blanks and line breaks only),
//                           "padded-answer" (the address between blanks),
//                           "query-answer" (address ending in .mp3?id=1),
//                           "missing-answer" (address of a file that is 404)
//   /edge/schemes.html      "upper" MUSIC://, "mixed" Music://, "musicbox"
//                           musicbox://, "no-name" (no name=), "filename-first"
//                           (filename=early before name=late)
//   /edge/script-load.html  the page's script goes to a music: link
//                           (name=scripted) right after the page has loaded
//   /edge/script-click.html a click on the box "press" (a div, not a link)
//                           makes the script go to a music: link (name=clicked)
//   /edge/frame-dead.html   an iframe "frame" on a port that refuses connections
//   /edge/frame-404.html    an iframe "frame" on a page that is 404
//   /edge/links-fail.html   "dead-link" to the refusing port, "missing-link"
//                           to a page that is 404
//
// The fetch addresses of answers.html are /edge/fetch-empty.aspx,
// fetch-blank.aspx, fetch-padded.aspx, fetch-query.aspx, fetch-missing.aspx;
// the 404 page is /edge/missing.html.

#include <optional>
#include <string>

#include "site/catalogue/SongCatalogue.h"

struct EdgeContext {
    std::string host;    // host and port the links name
    int deadPort = 0;    // a loopback port that refuses connections
    CatalogueSong song;  // the song the music: links fetch
};

// The page at `path`, nothing when there is none.
std::optional<std::string> EdgePageHtml(const std::string& path, const EdgeContext& context);

// The plain-text answer of an edge fetch address at `path`, nothing when
// there is none.
std::optional<std::string> EdgeFetchAnswer(const std::string& path, const EdgeContext& context);
