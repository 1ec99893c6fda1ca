// The one shape check for JSON objects read from outside (storage, bridge, service, restores).

export type JsonObject = Record<string, unknown>;

/** A non-null, non-array object: what JSON.parse gives for `{…}`. */
export function isPlainObject(value: unknown): value is JsonObject {
  return value !== null && typeof value === "object" && !Array.isArray(value);
}
