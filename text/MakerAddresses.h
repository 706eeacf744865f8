// text/MakerAddresses.h - the maker's web addresses, kept in one place (also read by the
// resource compiler for message 18, hence macros).
#pragma once

// Opened when the package is damaged, written as "URLInfoAbout", named in message 18.
#define PIX_MAKER_HOME_PAGE "http://www.corvanta.hu/pixorama/"
// The web server that carries "/pxr/installed.asp" and "/pxr/InstScript.asp".
#define PIX_MAKER_WEB_SERVER "http://www.corvanta.hu"
