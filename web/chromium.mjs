// Debian's Chromium, headless, for the page's tests and scripts: a closed
// network makes its background services fail, so they are off.
import { chromium } from 'playwright-core';

const kOptions = {
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--no-first-run'],
};

export function launchChromium() {
  return chromium.launch(kOptions);
}

// With a profile on disk, whose storage is not held in memory as a fresh
// context's is.
export function launchChromiumWithProfile(folder, options) {
  return chromium.launchPersistentContext(folder, { ...kOptions, ...options });
}
