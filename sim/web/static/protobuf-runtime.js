// The protocol library's runtime as a module: its browser build (loaded by
// index.html before the modules) sets it on the window.
export default globalThis.protobuf;
