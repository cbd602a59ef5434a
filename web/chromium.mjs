// Debian's Chromium, headless, for the page's tests and scripts: a closed
// network makes its background services fail, so they are off.
import { chromium } from 'playwright-core';

export function launchChromium() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
}
