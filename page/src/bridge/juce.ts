// The one module that touches the framework's injected __JUCE__ object. The backend is looked
// up on every call: it may be absent (the page opened outside the editor), and then every
// emit is dropped and no listener is registered.

import { TO_NATIVE_EVENT } from "./events.ts";
import { nativeEventParsers, type NativeEventId, type NativeEventMap, type PageMessage } from "./messages.ts";

interface JuceBackend {
  emitEvent(eventId: string, payload: unknown): void;
  addEventListener(eventId: string, handler: (payload: unknown) => void): unknown;
  removeEventListener?(token: unknown): void;
}

function backend(): JuceBackend | null {
  const juce = (globalThis as any).__JUCE__;
  const candidate = juce?.backend;
  return candidate && typeof candidate.emitEvent === "function" && typeof candidate.addEventListener === "function"
    ? (candidate as JuceBackend)
    : null;
}

export function hasBackend(): boolean {
  return backend() !== null;
}

/** Sends one tnToNative event; does nothing without a backend. */
export function emitToNative(message: PageMessage): void {
  backend()?.emitEvent(TO_NATIVE_EVENT, message);
}

/** Registers a typed handler for a native event; returns its unsubscribe (a no-op without a backend). */
export function onNativeEvent<K extends NativeEventId>(
  eventId: K,
  handler: (payload: NativeEventMap[K]) => void,
): () => void {
  const target = backend();
  if (!target) return () => {};
  const parse = nativeEventParsers[eventId];
  const token = target.addEventListener(eventId, (raw) => handler(parse(raw)));
  return () => target.removeEventListener?.(token);
}

/** The bridge as the shell sees it; tests substitute their own. */
export interface Bridge {
  connected(): boolean;
  emit(message: PageMessage): void;
  on<K extends NativeEventId>(eventId: K, handler: (payload: NativeEventMap[K]) => void): () => void;
}

export const juceBridge: Bridge = {
  connected: hasBackend,
  emit: emitToNative,
  on: onNativeEvent,
};
