// Names made comparable: case folded fully and accents taken off, so that a search finds
// a name however the player types it.

// "Ærø Ísland" → "ærø island", "Straße" → "strasse", "IŞIK" and "Işık" → "isik". Upper
// case first, then lower, folds what lower case alone keeps apart: "ß" becomes "ss", "ﬁ"
// "fi", the dotless "ı" "i" (and the dotted "İ" an "i" whose dot goes with the accents).
// What is left is made plain by hand: the capital "ẞ" comes back as "ß", and lower case
// brings back the final sigma "ς". Plain ASCII, most text, skips the costly part.
export function fold(text) {
  if (!/[^\0-\x7f]/.test(text)) return text.toLowerCase();
  return text.toUpperCase().toLowerCase().normalize('NFD').replace(/\p{M}/gu, '')
    .replaceAll('ß', 'ss').replaceAll('ς', 'σ');
}
