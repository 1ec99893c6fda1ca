// Page entry: query options and theme before anything is drawn, then the shell.

import { render } from "preact";
import "./styles/index.css";
import { ShellModel } from "./shell/model.ts";
import { PageShell } from "./shell/PageShell.tsx";
import { platformShellDeps, showTheme } from "./shell/platform.ts";
import { applyPageQuery, parsePageQuery } from "./shell/query.ts";
import { pageStorage, readTheme, tourSeen } from "./shell/storage.ts";

const storage = pageStorage();
const query = parsePageQuery(location.search);
applyPageQuery(query, storage);
const theme = readTheme(storage);
showTheme(theme);

const model = new ShellModel(platformShellDeps(storage), {
  tab: query.tab,
  theme,
  tourOpen: !tourSeen(storage),
});

render(<PageShell model={model} />, document.getElementById("app")!);
