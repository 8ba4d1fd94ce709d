"""Prints one value of a CI recipe's YAML, as the CI service reads it.

    recipe_value.py <recipe.yml> <step> [<step> ...]

Each step goes one level down: a number is a list item; "key=value" is the
list item whose key has that value, "key^=prefix" the first whose key's
value starts with the prefix ("key^=" the first that has the key as a
text); anything else is a mapping key. The value is printed as it is, with
no line end added.
"""
import sys

import yaml


def step_into(node, step):
    if isinstance(node, list):
        if step.isdigit():
            return node[int(step)]
        key, sign, value = step.partition("^=") if "^=" in step else step.partition("=")
        for item in node:
            found = item.get(key) if isinstance(item, dict) else None
            if isinstance(found, str) and (found.startswith(value) if sign == "^=" else found == value):
                return item
        raise KeyError(step)
    return node[step]


def main():
    with open(sys.argv[1], encoding="utf-8") as recipe:
        node = yaml.safe_load(recipe)
    for step in sys.argv[2:]:
        try:
            node = step_into(node, step)
        except (KeyError, IndexError, TypeError):
            sys.exit(f"{sys.argv[1]}: nothing at {' '.join(sys.argv[2:])} (at {step})")
    if not isinstance(node, (str, int)):
        sys.exit(f"{sys.argv[1]}: {' '.join(sys.argv[2:])} is no single value")
    sys.stdout.write(str(node))


main()
