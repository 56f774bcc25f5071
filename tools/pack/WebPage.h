// The one-file browser page of a demo (solvane-pack --web): the page template
// from web/ with its style and script put in, and the engine's WebAssembly
// module, the demo's data and its music carried inside as base64, so the page
// needs nothing beside it and no network.
#pragma once

#include <string>
#include <vector>

struct WebPageParts {
  std::string html, style, script;  // web/solvane.html, .css, .js
  std::string title;                // the page's title until the engine names the release
  std::vector<char> module, data, music;
};

// What a browser can make of the music: "mp3", "ogg", "wav" or "flac" it
// decodes; "module" (MOD, XM, S3M, IT) it cannot; "audio" for anything else,
// left to the browser to try; "" for no music.
std::string MusicKind(const std::vector<char>& music);
std::string Base64(const std::vector<char>& bytes);
// False with error when the template lacks one of its places.
bool ComposeWebPage(const WebPageParts& parts, std::string& page, std::string& error);
