// Reads an uncompressed 24-bit BMP file well enough to look at single pixels.
import { readFileSync } from 'node:fs';

export function readBitmap(path) {
  const bytes = readFileSync(path);
  if (bytes.length < 54 || bytes.toString('latin1', 0, 2) !== 'BM') {
    throw new Error(`${path} is not a BMP file`);
  }
  const dataOffset = bytes.readUInt32LE(10);
  const width = bytes.readInt32LE(18);
  const storedHeight = bytes.readInt32LE(22);
  const bitsPerPixel = bytes.readUInt16LE(28);
  if (bitsPerPixel !== 24) throw new Error(`${path} has ${bitsPerPixel} bits per pixel`);
  const height = Math.abs(storedHeight);
  const rowSize = Math.ceil((width * 3) / 4) * 4;
  // Rows are stored bottom-up unless the height is negative.
  const pixel = (column, row) => {
    const storedRow = storedHeight > 0 ? height - 1 - row : row;
    const at = dataOffset + storedRow * rowSize + column * 3;
    return { red: bytes[at + 2], green: bytes[at + 1], blue: bytes[at] };
  };
  return { width, height, pixel };
}
