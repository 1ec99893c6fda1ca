// Base64 (RFC 4648 standard alphabet, "=" padding) for whole audio files crossing the bridge.
// Table-driven so a 10 MB WAV encodes in a few tens of milliseconds without string concatenation.

const ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const ENCODE = new Uint8Array(64);
const DECODE = new Int16Array(256).fill(-1);
for (let i = 0; i < 64; i++) {
  ENCODE[i] = ALPHABET.charCodeAt(i);
  DECODE[ALPHABET.charCodeAt(i)] = i;
}
const PAD = 61; // "="
const ascii = new TextDecoder("latin1");

// Native codecs where the platform has them (Chromium 140+, recent WebKit), this table otherwise.
type NativeBase64 = {
  toBase64?: (this: Uint8Array) => string;
};
const nativeToBase64 = (Uint8Array.prototype as NativeBase64).toBase64;
const nativeFromBase64 = (Uint8Array as unknown as { fromBase64?: (text: string) => Uint8Array }).fromBase64;

export function bytesToBase64(bytes: Uint8Array): string {
  return nativeToBase64 ? nativeToBase64.call(bytes) : encodeWithTable(bytes);
}

export function encodeWithTable(bytes: Uint8Array): string {
  const n = bytes.length;
  const out = new Uint8Array(Math.ceil(n / 3) * 4);
  let o = 0;
  let i = 0;
  for (; i + 2 < n; i += 3) {
    const v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    out[o++] = ENCODE[v >> 18];
    out[o++] = ENCODE[(v >> 12) & 63];
    out[o++] = ENCODE[(v >> 6) & 63];
    out[o++] = ENCODE[v & 63];
  }
  const rest = n - i;
  if (rest > 0) {
    const v = (bytes[i] << 16) | (rest === 2 ? bytes[i + 1] << 8 : 0);
    out[o++] = ENCODE[v >> 18];
    out[o++] = ENCODE[(v >> 12) & 63];
    out[o++] = rest === 2 ? ENCODE[(v >> 6) & 63] : PAD;
    out[o++] = PAD;
  }
  return ascii.decode(out);
}

/** Decodes standard Base64; padding is optional. Any character outside the alphabet gives null. */
export function base64ToBytes(text: string): Uint8Array | null {
  if (!nativeFromBase64) return decodeWithTable(text);
  try {
    return nativeFromBase64(text);
  } catch {
    return null;
  }
}

export function decodeWithTable(text: string): Uint8Array | null {
  let end = text.length;
  if (end > 0 && text.charCodeAt(end - 1) === PAD) end--;
  if (end > 0 && text.charCodeAt(end - 1) === PAD) end--;
  if (end % 4 === 1) return null;
  const out = new Uint8Array(Math.floor((end * 3) / 4));
  const sextet = (i: number) => {
    const c = text.charCodeAt(i);
    return c < 256 ? DECODE[c] : -1;
  };
  let o = 0;
  let i = 0;
  for (; i + 3 < end; i += 4) {
    const a = sextet(i), b = sextet(i + 1), c = sextet(i + 2), d = sextet(i + 3);
    if ((a | b | c | d) < 0) return null;
    const v = (a << 18) | (b << 12) | (c << 6) | d;
    out[o++] = v >> 16;
    out[o++] = (v >> 8) & 255;
    out[o++] = v & 255;
  }
  if (i < end) {
    const a = sextet(i), b = sextet(i + 1), c = i + 2 < end ? sextet(i + 2) : 0;
    if ((a | b | c) < 0) return null;
    const v = (a << 18) | (b << 12) | (c << 6);
    out[o++] = v >> 16;
    if (i + 2 < end) out[o++] = (v >> 8) & 255;
  }
  return out;
}
