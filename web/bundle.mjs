// Prints the ES module given, with every module it imports, joined by esbuild into one
// script that runs at once (nothing of it reaches the page's global names). The build
// runs it for the page's bundle lines.
// Usage: node bundle.mjs ENTRY
const [entry] = process.argv.slice(2);
try {
  const { buildSync } = await import('esbuild').catch(() => {
    throw new Error('esbuild is missing; run `bash scripts/setup.sh` (it installs the ' +
                    "page's npm packages into web/node_modules)");
  });
  const result = buildSync({
    entryPoints: [entry], bundle: true, format: 'iife', charset: 'utf8', write: false,
    logLevel: 'silent',
  });
  process.stdout.write(result.outputFiles[0].text);
} catch (error) {
  process.stderr.write(`${error.message}\n`);
  process.exitCode = 1;
}
