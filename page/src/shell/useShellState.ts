import { useEffect, useState } from "preact/hooks";
import type { ShellModel, ShellState } from "./model.ts";

/** Re-renders the calling component whenever the shell's state changes. */
export function useShellState(model: ShellModel): ShellState {
  const [state, setState] = useState(model.state);
  useEffect(() => {
    setState(model.state);
    return model.subscribe(setState);
  }, [model]);
  return state;
}
