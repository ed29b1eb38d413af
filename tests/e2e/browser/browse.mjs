// Drives Debian's Chromium through a visit that a test describes in JSON and
// prints, as JSON, what the visitor met after every step: the address, the
// page's visible text, the dialogs that opened (each is dismissed), the script
// elements of the page and the cookies the browser keeps.
//
// Usage: node browse.mjs '{"url": URL, "userAgent": TEXT, "steps": [STEP, ...]}'
// A step may open an address {"goto": URL}, then fill fields {"fill": {"name":
// "text"}}, pick options {"select": {"name": "value"}}, tick boxes {"check":
// ["name"]} and attach files {"upload": {"name": {"name": "a.txt", "type":
// "text/plain", "text": "..."}}}, then click a button {"click": "name"} or a
// link {"link": "text"}.
import { chromium } from 'playwright-core';

const plan = JSON.parse(process.argv[2]);
const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
});
const field = (name) => `[name="${name}"]`;
const results = [];
try {
    const context = await browser.newContext(plan.userAgent ? { userAgent: plan.userAgent } : {});
    const page = await context.newPage();
    const dialogs = [];
    page.on('dialog', (dialog) => {
        dialogs.push(dialog.message());
        dialog.dismiss();
    });
    await page.goto(plan.url);
    for (const step of plan.steps) {
        if (step.goto)
            await page.goto(step.goto);
        for (const [name, text] of Object.entries(step.fill || {}))
            await page.fill(field(name), text);
        for (const [name, value] of Object.entries(step.select || {}))
            await page.selectOption(field(name), value);
        for (const name of step.check || [])
            await page.check(field(name));
        for (const [name, file] of Object.entries(step.upload || {}))
            await page.setInputFiles(field(name), { name: file.name, mimeType: file.type, buffer: Buffer.from(file.text) });
        if (step.click)
            await Promise.all([page.waitForNavigation(), page.click(field(step.click))]);
        else if (step.link)
            await Promise.all([page.waitForNavigation(), page.click(`a:has-text("${step.link}")`)]);
        results.push({
            url: page.url(),
            text: await page.evaluate(() => (document.body ? document.body.innerText : '')),
            dialogs: dialogs.splice(0),
            scripts: await page.evaluate(() => document.scripts.length),
            cookies: await context.cookies(),
        });
    }
} finally {
    await browser.close();
}
process.stdout.write(JSON.stringify(results));
