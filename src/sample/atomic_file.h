#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace fendrel {

// Makes piece `index` of a file's text in `text`, which may still hold an
// earlier piece's text and keeps its room.
using TFilePieceMaker = std::function<void(std::int64_t index, std::string& text)>;

// Writes a new file of that name, replacing any old one only once the new one
// is complete and on disk: a failure leaves the old file as it was and no
// partial file behind. The pieces are made in parallel and written in order,
// so that the disk works while the next ones are made; each piece is made on
// one worker, so a maker touches only its own piece. Failures throw
// FileError "Cannot create file "<full path>". <reason>".
void WriteFileInPieces(const std::string& path, std::int64_t pieces,
                       const TFilePieceMaker& makePiece);
// The same for a text made beforehand.
void WriteWholeFile(const std::string& path, std::string_view contents);

}  // namespace fendrel
